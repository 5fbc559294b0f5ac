#!/usr/bin/env bash
# The demo: installs what it needs and is missing (a compiler, CMake, CLI11, toml++, PLplot,
# dygraphs; no Wine, MinGW, Chromium or test tools), builds, and acquires from every
# oscilloscope of the simulated bench, writing CSV, SPICE PWL sources, a plot and a viewer page
# per instrument into out/.
# Run it again at will: it rebuilds what changed and overwrites the files in out/.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh demo
cmake --preset default
cmake --build --preset default

scopehost=build/bin/scopehost
mkdir -p out
echo
"$scopehost" devices
devices=$("$scopehost" devices | awk '{print $2}')
for device in $devices; do
  echo
  "$scopehost" acquire "$device" --sim --csv "out/$device.csv" --pwl "out/$device" \
    --plot "out/$device.png" --html "out/$device.html"
done
echo
echo "Open the plots out/*.png, or the pages out/*.html in a browser (zoom, cursors, measurements);"
echo "include a PWL file in a netlist with .include out/hameg1/ch1.pwl"
