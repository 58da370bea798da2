#!/usr/bin/env bash
# Builds LAYRA (Release) and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${LAYRA_BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release ${LAYRA_CMAKE_ARGS:-}
cmake --build "$build" -j "$(nproc)"
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
