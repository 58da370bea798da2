#!/usr/bin/env bash
# Runs one build's layra-cli over every example and the given folders of data
# and model files, and keeps everything it writes (listings, results files,
# synthetic data files, pictures) in OUT_DIR, one file per output. Two
# snapshots of two builds are compared with `diff -r`:
#
#   scripts/snapshot-outputs.sh old/build/cli/layra-cli /tmp/old [FOLDER...]
#   scripts/snapshot-outputs.sh build/cli/layra-cli /tmp/new [FOLDER...]
#   diff -r /tmp/old /tmp/new
#
# Paths inside the outputs are made relative, so snapshots taken in
# different places compare equal. Set ENGINES="documented accurate" to take
# the accurate engine's runs too (default: documented only).
set -uo pipefail
cli=$(realpath "$1")
out=$(realpath -m "$2")
shift 2
here=$(cd "$(dirname "$0")/.." && pwd)
folders=("$here/examples" "$here/examples/survey" "$@")
engines=${ENGINES:-documented}
rm -rf "$out"
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Runs the CLI in the work folder; keeps stdout, stderr and the exit status.
run() {
  local name=$1
  shift
  (cd "$work" && "$cli" "$@" >"$out/$name.out" 2>"$out/$name.err")
  echo $? >"$out/$name.status"
  sed -i "s#$work/##g; s#$work##g" "$out/$name.out" "$out/$name.err"
}

# Moves what a run wrote in the work folder into the snapshot.
keep() {
  local name=$1
  shift
  for f in "$@"; do
    [ -e "$work/$f" ] && mv "$work/$f" "$out/$name.$f"
  done
}

for folder in "${folders[@]}"; do
  tag=$(basename "$folder")
  for data in "$folder"/*.dat; do
    [ -e "$data" ] || continue
    base=$(basename "$data" .dat)
    cp "$data" "$work/in.dat"
    run "$tag.$base.read" read in.dat
    run "$tag.$base.read-json" read in.dat --json
    for engine in $engines; do
      run "$tag.$base.$engine.invert" invert in.dat --engine "$engine" -o run.INV \
        --plot run.png
      keep "$tag.$base.$engine.invert" run.INV run.png
      run "$tag.$base.$engine.invert-json" invert in.dat --engine "$engine" -o run.INV --json \
        --plot run.svg
      keep "$tag.$base.$engine.invert-json" run.INV run.svg
      run "$tag.$base.$engine.user" invert in.dat --user-model --engine "$engine" -o run.INV \
        --plot run.pdf
      keep "$tag.$base.$engine.user" run.INV run.pdf
    done
    run "$tag.$base.auto-bmp" invert in.dat -o run.INV --plot run.bmp --size 800x600
    run "$tag.$base.show" show run.INV --iteration 1 --plot show.png
    run "$tag.$base.show-json" show run.INV --json
    keep "$tag.$base.show" run.INV show.png run.bmp
    rm -f "$work/in.dat"
  done
  for model in "$folder"/*.mod; do
    [ -e "$model" ] || continue
    base=$(basename "$model" .mod)
    cp "$model" "$work/in.mod"
    run "$tag.$base.model" model in.mod
    for engine in $engines; do
      run "$tag.$base.$engine.forward" forward in.mod --engine "$engine" -o syn.dat \
        --plot fwd.png
      keep "$tag.$base.$engine.forward" syn.dat fwd.png
    done
    run "$tag.$base.forward-inout" forward in.mod --sip-form inphase-outphase -o syn.dat \
      --plot fwd.svg --json
    keep "$tag.$base.forward-inout" syn.dat fwd.svg
    run "$tag.$base.forward-schl" forward in.mod --array schlumberger -o syn.dat --plot fwd.bmp
    keep "$tag.$base.forward-schl" syn.dat fwd.bmp
    rm -f "$work/in.mod"
  done
done

# The example survey, with sections.
cp -r "$here/examples/survey" "$work/survey"
run survey survey survey/channel_survey.csv --output-dir sv --section sv/sec.png
(cd "$work/sv" && for f in *; do mv "$f" "$out/survey.$f"; done)
echo "snapshot of $(ls "$out" | wc -l) files in $out"
