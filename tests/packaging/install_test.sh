#!/bin/sh
# Installs the build into a scratch prefix and checks the installed layout
# from another folder: both programs say the project's version, layra-cli
# draws a picture (its font found where the system keeps it, not in the
# source tree), the examples and manual pages are there, the desktop entry
# validates, the icon and the file types are well-formed, and the file types
# give results, model and project files the types the desktop entry opens.
# With the Python module, its installed copy imports from another folder,
# says the project's version and computes, and its type stubs are there.
#
#   install_test.sh BUILD_DIR VERSION WITH_DESKTOP(0|1) WITH_MANUALS(0|1)
#                   [PYTHON_DIR PYTHON]
#
# Exits 77 (skipped) when a validator is missing: scripts/install-deps.sh
# installs them.
set -eu
build=$1
version=$2
with_desktop=$3
with_manuals=$4
python_dir=${5:-}
python=${6:-}
for tool in desktop-file-validate update-mime-database gio xmllint; do
  if ! command -v "$tool" >/dev/null; then
    echo "$tool is missing: install it with scripts/install-deps.sh"
    exit 77
  fi
done
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
prefix=$scratch/prefix
fail() {
  echo "FAILED: $*"
  exit 1
}

"${CMAKE:-cmake}" --install "$build" --prefix "$prefix" >/dev/null
mkdir "$scratch/elsewhere"
cd "$scratch/elsewhere"

test "$("$prefix/bin/layra-cli" --version)" = "layra-cli $version" || fail "layra-cli --version"
examples=$prefix/share/doc/layra/examples
"$prefix/bin/layra-cli" forward "$examples/ip_model.mod" --plot ip.png >/dev/null ||
  fail "installed layra-cli could not draw"
test -s ip.png || fail "no picture"
test -f "$examples/survey/channel_survey.csv" || fail "examples not installed"
if [ "$with_manuals" = 1 ]; then
  test -f "$prefix/share/man/man1/layra-cli.1.gz" || fail "no manual page of layra-cli"
fi
if [ -n "$python_dir" ]; then
  module=$prefix/$python_dir/layra
  test -f "$module/_layra.pyi" && test -f "$module/py.typed" || fail "no type stubs"
  # A sanitized module needs its runtimes loaded first into the plain
  # interpreter (LAYRA_PYTHON_PRELOAD, set by the sanitized build's tests).
  check='import layra; print(layra.__file__, layra.__version__, layra.forward([50.0], [], [2.0])[0])'
  if [ -n "${LAYRA_PYTHON_PRELOAD:-}" ]; then
    imported=$(LD_PRELOAD="$LAYRA_PYTHON_PRELOAD" ASAN_OPTIONS=detect_leaks=0 \
      PYTHONPATH="$prefix/$python_dir" "$python" -c "$check") ||
      fail "the installed module does not import"
  else
    imported=$(PYTHONPATH="$prefix/$python_dir" "$python" -c "$check") ||
      fail "the installed module does not import"
  fi
  test "$imported" = "$module/__init__.py $version 50.0" || fail "installed module: $imported"
fi
[ "$with_desktop" = 1 ] || exit 0

test "$("$prefix/bin/layra" --version)" = "layra $version" || fail "layra --version"
if [ "$with_manuals" = 1 ]; then
  test -f "$prefix/share/man/man1/layra.1.gz" || fail "no manual page of layra"
fi
share=$prefix/share
desktop-file-validate "$share/applications/layra.desktop" || fail "desktop entry"
xmllint --noout "$share/icons/hicolor/scalable/apps/layra.svg" "$share/mime/packages/layra.xml" ||
  fail "icon or file types not well-formed"

# The file types beside the system's own (the model type shares *.mod with
# tracker music), in a database of their own (written without syncing every
# file: it is thrown away).
mkdir -p "$scratch/mime/packages"
cp /usr/share/mime/packages/freedesktop.org.xml "$share/mime/packages/layra.xml" \
  "$scratch/mime/packages/"
messages=$(PKGSYSTEM_ENABLE_FSYNC=0 XDG_DATA_DIRS="$scratch" update-mime-database "$scratch/mime" 2>&1) || fail "update-mime-database: $messages"
test -z "$messages" || fail "update-mime-database: $messages"
cp "$examples/wenner.INV" results.INV
cp "$examples/wenner.INV" lower.inv
cp "$examples/ip_model.mod" model.mod
printf 'MTM\020 a tracker module' >music.mod
echo '{}' >project.layra
opened=$(sed -n 's/^MimeType=//p' "$share/applications/layra.desktop")
for pair in results.INV:application/x-layra-results lower.inv:application/x-layra-results \
  model.mod:application/x-layra-model project.layra:application/x-layra-project \
  music.mod:audio/x-mod; do
  file=${pair%%:*}
  expected=${pair#*:}
  type=$(XDG_DATA_HOME="$scratch/none" XDG_DATA_DIRS="$scratch" \
    gio info -a standard::content-type "$file" | sed -n 's/.*standard::content-type: //p')
  test "$type" = "$expected" || fail "$file is $type, not $expected"
  case "$expected" in
    application/x-layra-*)
      case ";$opened" in *";$expected;"*) ;; *) fail "the desktop entry does not open $expected" ;; esac
      ;;
  esac
done
echo "installed layout checked"
