#!/bin/sh
# Runs one file of the Python module's tests with pytest.
#
#   run_pytest.sh PYTHON TEST_FILE
#
# Exits 77 (skipped) when pytest or numpy is missing: scripts/install-deps.sh
# installs them.
set -eu
python=$1
if ! "$python" -c "import numpy, pytest" 2>/dev/null; then
  echo "pytest or numpy is missing for $python: install them with scripts/install-deps.sh"
  exit 77
fi
exec "$python" -m pytest -q -p no:cacheprovider "$2"
