#!/usr/bin/env bash
# Builds the Debian package of LAYRA (Release, without tests and benchmarks)
# in build-deb/ and prints its path. Install it with
#   sudo apt-get install ./build-deb/layra_<version>_<arch>.deb
# which also installs the packages it depends on.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${LAYRA_DEB_BUILD_DIR:-build-deb}
# The prefix of the package: the Python module goes where Debian's own
# modules are, /usr/lib/python3/dist-packages.
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DLAYRA_BUILD_TESTS=OFF \
  -DLAYRA_BUILD_BENCH=OFF -DCMAKE_INSTALL_PREFIX=/usr ${LAYRA_CMAKE_ARGS:-}
cmake --build "$build" -j "$(nproc)"
(cd "$build" && cpack -G DEB)
ls "$build"/layra_*.deb
