#!/usr/bin/env bash
# The recorder gpib-32.dll under Wine, beside a host's executable where the module's
# LoadLibraryA("gpib-32.dll") finds it first, in front of the simulated gpib-32.dll named by its
# full path: it records an acquisition of each device type that the Linux scopehost replays to
# the same CSV data rows, and the Linux recorder, in front of the Linux simulated library,
# records the same calls (their times apart).
set -euo pipefail
linux=$1 bin=$2 recorder=$3 simulated=$4 out=$5

[ -x "$linux" ] || { echo "no Linux scopehost at $linux: build the test preset first" >&2; exit 1; }
rm -rf "$out" && mkdir -p "$out/host"
cp "$bin"/scopehost.exe "$bin"/gpibscope.dll "$bin"/QuenLang70.dll "$recorder" "$out/host/"
untimed() { sed -E 's/ t=[0-9.]+ d=[0-9.]+$//' "$1"; }
status=0
devices=$("$linux" devices | awk '{print $2}')
for device in $devices; do
  wine_rec="$out/$device.wine.rec" linux_rec="$out/$device.linux.rec"
  GPIBSCOPE_TRACE=$(winepath -w "$wine_rec") GPIBSCOPE_TRACE_GPIB=$(winepath -w "$simulated") \
    wine "$out/host/scopehost.exe" acquire "$device" --csv "$out/$device.wine.csv" >/dev/null
  "$linux" acquire "$device" --sim --trace "$linux_rec" >/dev/null
  "$linux" acquire "$device" --replay "$wine_rec" --csv "$out/$device.replay.csv" >/dev/null
  if ! cmp -s <(grep -v '^#' "$out/$device.wine.csv") <(grep -v '^#' "$out/$device.replay.csv"); then
    echo "FAIL $device: the Linux replay's data rows differ from the recorded run's" >&2
    status=1
  elif ! cmp -s <(untimed "$wine_rec") <(untimed "$linux_rec"); then
    echo "FAIL $device: the recordings differ beyond their times" >&2
    diff <(untimed "$wine_rec") <(untimed "$linux_rec") | head -4 | cut -c1-200 >&2 || true
    status=1
  else
    echo "$device: $(grep -vc '^#' "$out/$device.wine.csv") data rows replayed," \
      "$(($(wc -l <"$wine_rec") - 1)) calls recorded alike"
  fi
done
exit $status
