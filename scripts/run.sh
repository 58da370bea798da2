#!/usr/bin/env bash
# Installs what is missing, builds LAYRA and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j "$(nproc)"
if [ -x build/windows/layra ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
  exec build/windows/layra "$@"
fi
exec build/cli/layra-cli read examples/wenner.dat
