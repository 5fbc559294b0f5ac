#!/usr/bin/env bash
# The export and import tables of the Windows DLLs: gpibscope.dll exports exactly its three
# functions and imports QuenLang70.dll (bound at load time) but not gpib-32.dll (bound at run
# time); the simulated gpib-32.dll exports the GPIB names undecorated and the status variables.
set -euo pipefail
objdump=$1 module=$2 simulator=$3
shift 3
names="$*"  # the GPIB library's names, as the build lists them

exports() { "$objdump" -p "$1" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
  sed -n 's/^\s*\[ *[0-9]*\] //p' | sort; }
imports() { "$objdump" -p "$1" | sed -n 's/^\s*DLL Name: //p'; }
fail() { echo "FAIL: $*" >&2; exit 1; }

[ "$(exports "$module" | tr '\n' ' ')" = "GetData GetDeviceText GetTransProperties " ] ||
  fail "gpibscope.dll exports: $(exports "$module" | tr '\n' ' ')"
imports "$module" | grep -qx 'QuenLang70.dll' || fail "gpibscope.dll does not import QuenLang70.dll"
! imports "$module" | grep -qix 'gpib-32.dll' || fail "gpibscope.dll imports gpib-32.dll"

[ "$(wc -w <<<"$names")" -eq 22 ] || fail "expected the 22 names of the GPIB library: $names"
simulated=$(exports "$simulator")
for name in $names; do
  grep -qx "$name" <<<"$simulated" || fail "gpib-32.dll lacks $name"
done
! grep -q '@' <<<"$simulated" || fail "gpib-32.dll has decorated names"
echo "export and import tables as a Windows host expects"
