#!/usr/bin/env bash
# Installs what gpibscope needs to build, test and run its demo, from Debian's archive, when
# it is missing. Run as root (or with sudo available). Packages named as arguments are
# installed as well. The waveform viewer inlines dygraphs; its tests drive Debian's Chromium
# from pytest and check its figures with NumPy.
set -euo pipefail

# The Windows cross build and its tests under Wine. wine32 is an i386 package: that architecture
# is added first, and these are installed before the rest, because wine32 replaces a number of
# amd64 packages with their multiarch builds.
windows_packages=(wine32:i386 wine wine64 fonts-wine g++-mingw-w64-i686 xvfb xauth)

packages=(
  cmake ninja-build g++ clang binutils
  libgtest-dev libgmock-dev libbenchmark-dev
  libcli11-dev libtomlplusplus-dev libplplot-dev plplot-driver-cairo pkgconf
  libclang-rt-14-dev valgrind ngspice python3
  python3-numpy python3-pytest python3-pandas python3-matplotlib
  dpkg-dev file man-db
  libjs-dygraphs chromium chromium-driver python3-selenium
  "$@"
)

missing_of() {
  local package
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
      echo "$package"
  done
}
mapfile -t missing_windows < <(missing_of "${windows_packages[@]}")
mapfile -t missing < <(missing_of "${packages[@]}")
[ ${#missing_windows[@]} -eq 0 ] && [ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
install() {
  echo "Installing: $*"
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "$@"
}
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
$sudo apt-get update -qq
[ ${#missing_windows[@]} -eq 0 ] || install "${missing_windows[@]}"
[ ${#missing[@]} -eq 0 ] || install "${missing[@]}"
