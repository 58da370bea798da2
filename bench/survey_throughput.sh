#!/usr/bin/env bash
# Times `layra-cli survey -j JOBS` end to end over a generated survey of COUNT
# 90-point Schlumberger soundings on profiles of PROFILE_SIZE (default 100)
# soundings 10 m apart: inversions, results files, models.csv,
# soundings.geojson and one section picture (PNG, 1280x800) per profile.
# Further arguments go to `layra-cli survey` (e.g. --lateral 1).
#   [PROFILE_SIZE=N] bench/survey_throughput.sh [LAYRA_CLI] [COUNT] [JOBS] [SURVEY OPTIONS...]
set -euo pipefail
cli=${1:-build/cli/layra-cli}
count=${2:-1000}
jobs=${3:-2}
extra=("${@:4}")
size=${PROFILE_SIZE:-100}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The soundings of bench/invert_throughput.sh: a high, low, rising curve over
# AB/2 1..1000 m with a different 3 % scatter in every file.
echo "name,file,x,y,elevation,profile" > "$work/survey.csv"
for ((k = 1; k <= count; ++k)); do
  awk -v seed="$k" 'BEGIN {
    srand(seed);
    print "Survey sounding " seed;
    print "Array type (Wenner or Schlumberger)"; print "Schlumberger";
    print "Number of data points"; print 90;
    print "Data type"; print "Resistivity";
    print "Error in measurements inluded (Yes,No)"; print "No";
    print "Data section";
    for (i = 0; i < 90; ++i) {
      a = exp(log(10) * 3 * i / 89);
      rho = 40 + 160 / (1 + (a / 4) ^ 2) + 300 / (1 + (200 / a) ^ 1.5);
      rho *= 1 + 0.03 * (rand() + rand() + rand() - 1.5) * 2;
      printf "%10.3f  %10.3f  %10.3f\n", a, 0.5, rho;
    }
    print "User Starting Model Available (Yes/No)"; print "No";
  }' > "$work/s$k.dat"
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
