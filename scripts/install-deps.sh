#!/usr/bin/env bash
# Installs from Debian's archive what the jobs named need and is missing, and nothing else:
#
#   demo     build scopehost (preset "default") and write its CSV, PWL, waveform, PNG and
#            HTML outputs (scripts/demo.sh)
#   tests    every stage of the test command but the Windows one: the sanitizer, valgrind and
#            fuzz builds, ngspice, the install check and Debian package, the Python package's
#            suite, the viewer in headless Chromium
#   windows  the MinGW-w64 cross build (amd64 packages only)
#   wine     Wine and Xvfb to run the Windows tests; adds the i386 architecture for wine32
#   bench    the benchmarks and the NumPy, Python and Chromium measurements beside them
#
#   scripts/install-deps.sh JOB...              fails when a package cannot be installed
#   scripts/install-deps.sh --why-not JOB...    never fails for a package: prints why on
#                                               standard output (nothing when all is there),
#                                               and all else on standard error
#
# Run as root, or with sudo. When apt-get update cannot fetch some index (an archive out of
# step: a mirror in sync, i386 lists behind amd64), that is said in one line and the package
# lists at hand are used. A package that then cannot be installed ends the script with one
# line, the last on standard error: the package and apt's own reason. Nothing is retried.
set -euo pipefail

why_not=false
if [ "${1:-}" = "--why-not" ]; then
  why_not=true
  shift
  exec 3>&1 1>&2
fi

build=(cmake ninja-build g++ pkgconf libcli11-dev libtomlplusplus-dev)
demo=("${build[@]}" libplplot-dev plplot-driver-cairo libjs-dygraphs)
viewer_in_chromium=(python3 python3-numpy chromium chromium-driver python3-selenium)
tests=(
  "${demo[@]}" "${viewer_in_chromium[@]}"
  libgtest-dev libgmock-dev clang libclang-rt-14-dev binutils valgrind ngspice
  python3-pytest python3-pandas python3-matplotlib dpkg-dev file man-db
)
windows=("${build[@]}" g++-mingw-w64-i686)
# wine32 first and on its own: it decides whether Wine can be had at all (its i386 libraries
# must match the amd64 ones installed), and it replaces amd64 packages with multiarch builds.
wine_i386=(wine32:i386)
wine=(wine wine64 fonts-wine xvfb xauth)
bench=("${demo[@]}" "${viewer_in_chromium[@]}" libbenchmark-dev)

usage() {
  echo "usage: scripts/install-deps.sh [--why-not] demo|tests|windows|wine|bench..." >&2
  exit 2
}
# The one line a package that cannot be installed ends with.
fail() {
  if $why_not; then
    echo "$*" >&3
    exit 0
  fi
  echo "install-deps: $*" >&2
  exit 1
}

[ $# -gt 0 ] || usage
wanted=()
with_wine=false
for job in "$@"; do
  case "$job" in
    demo) wanted+=("${demo[@]}") ;;
    tests) wanted+=("${tests[@]}") ;;
    windows) wanted+=("${windows[@]}") ;;
    wine) with_wine=true ;;
    bench) wanted+=("${bench[@]}") ;;
    *) usage ;;
  esac
done

missing_of() {
  local package
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
      echo "$package"
  done | awk '!seen[$0]++'
}
mapfile -t missing < <(missing_of "${wanted[@]}")
missing_wine_i386=() missing_wine=()
if $with_wine; then
  mapfile -t missing_wine_i386 < <(missing_of "${wine_i386[@]}")
  mapfile -t missing_wine < <(missing_of "${wine[@]}")
fi
all_missing=("${missing_wine_i386[@]}" "${missing_wine[@]}" "${missing[@]}")
[ ${#all_missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || fail "cannot install ${all_missing[*]}: run as root or with sudo"
  sudo=sudo
fi

if [ ${#missing_wine_i386[@]} -gt 0 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386 ||
    fail "cannot install ${missing_wine_i386[*]}: dpkg cannot add the i386 architecture"
fi

# apt's first line of a kind (E:, W:), or nothing.
first_line() { grep -m 1 -E "$1" <<<"$2" || true; }

# A fresh machine's daily apt run may hold the package lock for a while: apt waits for it.
apt_get=(apt-get -oDPkg::Lock::Timeout=300)
if ! update_output=$($sudo "${apt_get[@]}" update -qq 2>&1); then
  said=$(first_line '^E: ' "$update_output")
  echo "install-deps: apt-get update could not fetch every index (${said:-no reason given});" \
    "going on with the package lists at hand"
fi

# Installs one group in one apt-get call. When apt refuses, the line names the group's packages
# that its output names (else the whole group), with its error and the first package it could
# not fit: a Breaks or Conflicts line (versions out of step) before a Depends line.
apt_log=$(mktemp)
trap 'rm -f "$apt_log"' EXIT
install() {
  local output status=0 named=() package
  echo "Installing: $*"
  $sudo env DEBIAN_FRONTEND=noninteractive "${apt_get[@]}" install -y -q \
    --no-install-recommends "$@" 2>&1 | tee "$apt_log" || status=$?
  [ $status -eq 0 ] && return 0
  output=$(<"$apt_log")
  for package in "$@"; do
    grep -qwF -- "$package" <<<"$output" && named+=("$package")
  done
  [ ${#named[@]} -gt 0 ] || named=("$@")
  local error unmet
  error=$(first_line '^E: ' "$output")
  unmet=$(first_line ' : (Breaks|Conflicts): ' "$output")
  [ -n "$unmet" ] || unmet=$(first_line ' : (Pre)?Depends: ' "$output")
  fail "cannot install ${named[*]}: ${error:-apt-get exited with status $status}${unmet:+ (${unmet# })}"
}
[ ${#missing_wine_i386[@]} -eq 0 ] || install "${missing_wine_i386[@]}"
[ ${#missing_wine[@]} -eq 0 ] || install "${missing_wine[@]}"
[ ${#missing[@]} -eq 0 ] || install "${missing[@]}"
