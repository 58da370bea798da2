#!/usr/bin/env bash
# Installs the Debian packages LAYRA needs to build, test and run. Only
# packages that are missing are installed.
set -euo pipefail
packages=(
  cmake g++ make clang libclang-rt-14-dev
  qt6-base-dev libgl-dev
  nlohmann-json3-dev libcli11-dev libeigen3-dev libproj-dev
  libpng-dev zlib1g-dev libfreetype-dev fonts-dejavu-core libexpat1-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang-format
  locales
  # The Python module and its tests; matplotlib for the Python example.
  pybind11-dev python3-dev python3-numpy python3-pytest python3-matplotlib
  # Manual pages, the Debian package and the checks of the desktop entry and
  # file types.
  help2man dpkg-dev desktop-file-utils shared-mime-info libglib2.0-bin libxml2-utils
)
missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=""
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd="sudo"; fi
  $sudo_cmd apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y --no-install-recommends "${missing[@]}"
fi
