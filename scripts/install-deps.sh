#!/usr/bin/env bash
# Installs what gpibscope needs to build, test and run its demo, from Debian's archive, when
# it is missing. Run as root (or with sudo available).
set -euo pipefail

packages=(
  cmake ninja-build g++ clang binutils
  libgtest-dev libgmock-dev libbenchmark-dev
  libcli11-dev libtomlplusplus-dev libplplot-dev plplot-driver-cairo pkgconf
  libclang-rt-14-dev valgrind ngspice python3
  dpkg-dev file man-db
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
