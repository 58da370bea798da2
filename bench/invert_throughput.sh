#!/usr/bin/env bash
# Times `layra-cli invert -j JOBS` over COUNT generated 90-point Schlumberger
# soundings (no plots) and prints the files inverted per second and the CPU
# time per file, user and system (the system's part is mostly creating the
# results files, and varies with the file system's recent work).
#   bench/invert_throughput.sh [LAYRA_CLI] [COUNT] [JOBS]
set -euo pipefail
source "$(dirname "$0")/sounding.sh"
cli=${1:-build/cli/layra-cli}
count=${2:-1000}
jobs=${3:-2}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One sounding of sounding.sh per file.
for ((k = 1; k <= count; ++k)); do
  write_sounding "$k" "Throughput sounding" "$work/sounding_$k.dat"
done
mkdir -p "$work/results"

start=$(date +%s.%N)
/usr/bin/time -f "%U %S" -o "$work/cpu.txt" \
  "$cli" invert -j "$jobs" --output-dir "$work/results" "$work"/sounding_*.dat > "$work/out.txt"
end=$(date +%s.%N)
read -r user system < "$work/cpu.txt"

failed=$(grep -c -E ' (failed|refused)' "$work/out.txt" || true)
awk -v s="$start" -v e="$end" -v n="$count" -v j="$jobs" -v f="$failed" -v u="$user" -v k="$system" 'BEGIN {
  t = e - s;
  printf "%d files, -j %d: %.3f s, %.0f files per second, %d not inverted; CPU per file %.3f ms (user %.3f, system %.3f)\n",
         n, j, t, n / t, f, 1000 * (u + k) / n, 1000 * u / n, 1000 * k / n;
}'
