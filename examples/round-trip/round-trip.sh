#!/bin/sh
# The round trip from the bench into SPICE and back: acquire the TDS540 across the RC low-pass
# of the simulated bench rc-lowpass, simulate the filter with ngspice from channel 1 as
# measured, and write a viewer page with the simulated output over channel 2.
#
#   examples/round-trip/round-trip.sh [SCOPEHOST [DIRECTORY]]
#
# SCOPEHOST defaults to scopehost on PATH, DIRECTORY to ./round-trip. The acquisition is
# recorded and the page made from its replay, so page and netlist see the same record, as they
# would on a real bench.
set -eu
scopehost=${1:-scopehost}
out=${2:-round-trip}
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$out"

"$scopehost" acquire tektronix --sim rc-lowpass --trace "$out/rc.rec" \
  --csv "$out/measured.csv" --pwl "$out"

# The capacitor starts where channel 2 starts: the first data row's third column.
first=$(grep -v '^#' "$out/measured.csv" | sed -n 2p | cut -d, -f3)
printf '.ic v(out)=%s\n' "$first" >"$out/initial.inc"
cp "$here/rc.cir" "$out/rc.cir"
(cd "$out" && ngspice -b -r rc.raw rc.cir >ngspice.log 2>&1) ||
  { echo "ngspice failed: see $out/ngspice.log" >&2; exit 1; }

"$scopehost" acquire tektronix --replay "$out/rc.rec" --html "$out/round-trip.html" \
  --reference "$out/rc.raw:v(out)=ch2"
