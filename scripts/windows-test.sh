#!/usr/bin/env bash
# The Windows part of the test command: cross-builds the module, the language service and
# module, the simulated gpib-32.dll and scopehost.exe (preset "windows", MinGW-w64 i686) and
# runs their tests under Wine, in one Wine prefix prepared once and under one X display (Xvfb)
# for the chooser dialog. The CSV comparison uses the Linux scopehost of build-test/, so the
# test preset is built first.
#
# The cross build needs only amd64 packages and always runs. Wine needs wine32, an i386
# package; when the archive cannot provide it, the tests are not run and one line says so with
# apt's reason (GPIBSCOPE_WINE_UNAVAILABLE, when set, is that reason already found by
# scripts/test.sh; empty means Wine is installed). Any other failure fails the script.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" != "--under-display" ]; then
  scripts/install-deps.sh windows
  if [ -z "${GPIBSCOPE_WINE_UNAVAILABLE+set}" ]; then
    GPIBSCOPE_WINE_UNAVAILABLE=$(scripts/install-deps.sh --why-not wine)
  fi
  started=$SECONDS
  cmake --preset windows
  cmake --build --preset windows
  built=$SECONDS
  if [ -n "$GPIBSCOPE_WINE_UNAVAILABLE" ]; then
    echo "Windows part: build $((built - started)) s"
    echo "Windows tests did not run: $GPIBSCOPE_WINE_UNAVAILABLE"
    exit 0
  fi
  xvfb-run -a -s "-screen 0 1024x768x24" "$0" --under-display
  echo "Windows part: build $((built - started)) s, Wine tests $((SECONDS - built)) s"
  exit 0
fi

export WINEPREFIX="$PWD/build-windows/wine-prefix" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko installers
# A prefix takes seconds to create; once made, and with a server kept running, each test
# program starts in well under a second.
# Seen once on a loaded machine: the first start could not load kernel32.dll. One fresh try.
if ! wineboot -i; then
  wineserver -k || true
  rm -rf "$WINEPREFIX"
  wineboot -i
fi
wineserver -w
wineserver -p
trap 'wineserver -k || true' EXIT
wineboot
ctest --preset windows
