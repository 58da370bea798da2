#!/usr/bin/env bash
# Times `layra-cli invert -j JOBS` over COUNT generated 90-point Schlumberger
# soundings (no plots) and prints the files inverted per second and the CPU
# time per file, user and system (the system's part is mostly creating the
# results files, and varies with the file system's recent work).
#   bench/invert_throughput.sh [LAYRA_CLI] [COUNT] [JOBS]
set -euo pipefail
cli=${1:-build/cli/layra-cli}
count=${2:-1000}
jobs=${3:-2}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A smooth three-layer-like curve (high, low, rising) over AB/2 1..1000 m,
# 90 points, with a different 3 % scatter in every file.
for ((k = 1; k <= count; ++k)); do
  awk -v seed="$k" 'BEGIN {
    srand(seed);
    print "Throughput sounding " seed;
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
  }' > "$work/sounding_$k.dat"
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
