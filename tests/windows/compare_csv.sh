#!/usr/bin/env bash
# scopehost.exe under Wine and the Linux scopehost acquire every device type of the simulated
# default bench; the data rows of their CSV files must be byte for byte the same (the "#"
# lines carry time stamps).
set -euo pipefail
linux=$1 windows=$2 out=$3

[ -x "$linux" ] || { echo "no Linux scopehost at $linux: build the test preset first" >&2; exit 1; }
mkdir -p "$out"
status=0
devices=$("$linux" devices | awk '{print $2}')
for device in $devices; do
  "$linux" --sim acquire "$device" --csv "$out/$device.linux.csv" >/dev/null
  wine "$windows" --sim acquire "$device" --csv "$out/$device.windows.csv" >/dev/null
  if cmp -s <(grep -v '^#' "$out/$device.linux.csv") <(grep -v '^#' "$out/$device.windows.csv"); then
    echo "$device: $(grep -vc '^#' "$out/$device.linux.csv") data rows the same"
  else
    echo "FAIL $device: data rows differ" >&2
    diff <(grep -v '^#' "$out/$device.linux.csv") <(grep -v '^#' "$out/$device.windows.csv") |
      head -5 >&2 || true
    status=1
  fi
done
exit $status
