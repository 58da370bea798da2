#!/bin/sh
# Makes the example survey in examples/survey/: eight Schlumberger soundings
# 50 m apart along profile A, the middle three (150, 200 and 250 m) over a
# clay-filled channel (channel.mod), the others outside it (background.mod).
# Each sounding is the forward response of its model with 2 % Gaussian noise
# from a seeded generator (Park-Miller, Box-Muller), so the files come out the
# same on every run. Also writes the field sheet of sounding A5 (AB/2, MN/2,
# current and voltage, as a crew would note them). Usage:
#   scripts/make_survey_example.sh [path/to/layra-cli]
set -eu
cli=${1:-build/cli/layra-cli}
dir=$(dirname "$0")/../examples/survey
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

"$cli" forward "$dir/background.mod" -o "$tmp/background.dat" >/dev/null 2>&1
"$cli" forward "$dir/channel.mod" -o "$tmp/channel.dat" >/dev/null 2>&1

# Adds noise to the resistivity column of a data file (stdin), seeded by $1.
noise() {
  awk -v seed="$1" '
    function uniform() { seed = (seed * 16807) % 2147483647; return seed / 2147483647 }
    function gauss() { return sqrt(-2 * log(uniform())) * cos(6.283185307179586 * uniform()) }
    BEGIN { seed = seed * 7919 + 12345 }
    data && NF == 3 { printf "%10.3f  %10.4f  %10.4f\n", $1, $2, $3 * (1 + 0.02 * gauss()); next }
    { print }
    /^Data section/ { data = 1 }
    /^0$/ { data = 0 }'
}

survey="$dir/channel_survey.csv"
echo "name,file,x,y,elevation,profile" > "$survey"
i=0
for elevation in 120.0 121.0 122.5 123.0 122.0 121.0 120.5 120.0; do
  i=$((i + 1))
  distance=$(( (i - 1) * 50 ))
  if [ "$distance" -ge 150 ] && [ "$distance" -le 250 ]; then model=channel; else model=background; fi
  noise "$i" < "$tmp/$model.dat" | sed "1s/.*/Channel survey, profile A, sounding A$i ($model)/" \
    > "$dir/A$i.dat"
  x=$(awk -v d="$distance" 'BEGIN { printf "%.1f", 500000 + 0.8 * d }')
  y=$(awk -v d="$distance" 'BEGIN { printf "%.1f", 5400000 + 0.6 * d }')
  echo "A$i,A$i.dat,$x,$y,$elevation,A" >> "$survey"
done

# The field sheet of A5: MN/2 of 0.5 m up to AB/2 = 10 m and 5 m from there
# on (10 m read with both), 100 mA, V = rho I / K with the Schlumberger
# geometric factor K = pi ((AB/2)^2 - (MN/2)^2) / (2 MN/2).
awk '
  BEGIN { print "Station;AB/2 [m];MN/2 [m];I [mA];V [mV];Remarks" }
  data && NF == 3 {
    n++; ab = $1; rho = $3
    if (ab <= 10) reading(ab, 0.5, rho)
    if (ab >= 10) reading(ab, 5.0, rho)
  }
  /^Data section/ { data = 1 }
  /^0$/ { data = 0 }
  function reading(ab, mn, rho,   k, v) {
    k = 3.141592653589793 * (ab * ab - mn * mn) / (2 * mn)
    v = rho * 100 / k
    line = sprintf("A5;%g;%g;100;%.5g;", ab, mn, v)
    gsub(/\./, ",", line)
    print line
  }' "$dir/A5.dat" > "$dir/A5_sheet.csv"
