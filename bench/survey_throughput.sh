#!/usr/bin/env bash
# Times `layra-cli survey -j JOBS` end to end over a generated survey of COUNT
# 90-point Schlumberger soundings on profiles of PROFILE_SIZE (default 100)
# soundings 10 m apart: inversions, results files, models.csv,
# soundings.geojson and one section picture (PNG, 1280x800) per profile.
# Further arguments go to `layra-cli survey` (e.g. --lateral 1).
#   [PROFILE_SIZE=N] bench/survey_throughput.sh [LAYRA_CLI] [COUNT] [JOBS] [SURVEY OPTIONS...]
set -euo pipefail
source "$(dirname "$0")/sounding.sh"
cli=${1:-build/cli/layra-cli}
count=${2:-1000}
jobs=${3:-2}
extra=("${@:4}")
size=${PROFILE_SIZE:-100}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The soundings of sounding.sh (those of invert_throughput.sh), one per file.
echo "name,file,x,y,elevation,profile" > "$work/survey.csv"
for ((k = 1; k <= count; ++k)); do
  write_sounding "$k" "Survey sounding" "$work/s$k.dat"
  echo "S$k,s$k.dat,$(( 500000 + ((k - 1) % size) * 10 )),$(( 5400000 + ((k - 1) / size) * 500 )),100,P$(( (k - 1) / size ))" \
    >> "$work/survey.csv"
done

start=$(date +%s.%N)
/usr/bin/time -f "%U %S" -o "$work/cpu.txt" "$cli" survey "$work/survey.csv" -j "$jobs" \
  --output-dir "$work/out" --section "$work/out/section.png" "${extra[@]}" > "$work/out.txt" \
  2> "$work/err.txt" || true
end=$(date +%s.%N)
cpu=$(awk '{ print $1 + $2 }' "$work/cpu.txt")

failed=$(grep -c -E ' (failed|refused)' "$work/out.txt" || true)
pictures=$(ls "$work/out"/section*.png 2> /dev/null | wc -l)
awk -v s="$start" -v e="$end" -v n="$count" -v j="$jobs" -v f="$failed" -v p="$pictures" -v c="$cpu" 'BEGIN {
  printf "%d soundings, -j %d: %.3f s end to end (%.2f s CPU), %d sections, %d not inverted\n", n, j, e - s, c, p, f;
}'
grep -h "Laterally constrained" "$work/err.txt" || true
