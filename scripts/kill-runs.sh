#!/usr/bin/env bash
# Kills layra-cli's invert (both engines, automatic and user model) and survey
# (independent and laterally constrained) at many instants and checks what
# each kill leaves (see tests/cli/crash_consistency_test.cpp), with more kills
# than the test suite runs. Prints, per run, the kills and what the results
# files were afterwards.
#
#   scripts/kill-runs.sh [BUILD_DIR] [KILLS_PER_RUN]     (default build, 500)
set -euo pipefail
build=${1:-build}
kills=${2:-500}
tests="$build/tests/layra_cli_tests"
if [ ! -x "$tests" ]; then
  echo "No $tests: build the target layra_cli_tests first." >&2
  exit 1
fi
LAYRA_KILLS=$kills "$tests" --gtest_filter='CrashConsistency.*' | grep -E 'kills|OK|FAILED|Failure'
