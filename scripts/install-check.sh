#!/usr/bin/env bash
# Installs the default build as a package would (DESTDIR, under a prefix of its own) and checks
# what a user and a host author get from the installed tree alone: scopehost acquiring from
# every device type of the simulated bench and filling the installed viewer page, the example
# hosts (one on the module, one in C on the host library) built through pkg-config and through
# CMake, the manual page; runs the Python package's
# tests against the default build, the installed package among them; then builds the Debian
# package and checks its file list.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset default
cmake --build --preset default

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
prefix=/opt/gpibscope
DESTDIR="$stage" cmake --install build --prefix "$prefix" >/dev/null
root="$stage$prefix"
fail() {
  echo "install-check: $*" >&2
  exit 1
}

# scopehost finds module, simulator and benches under its own prefix, wherever that is.
scopehost() { env -u GPIBSIM_BENCH -u GPIBSIM_TRACE -u LD_LIBRARY_PATH "$root/bin/scopehost" "$@"; }
scopehost --help | grep -qF "$root/lib/gpibscope/libgpibscope.so" ||
  fail "installed scopehost does not default to the installed module"
devices=$(scopehost devices | awk '{print $2}')
for device in $devices; do
  scopehost acquire "$device" --sim --csv "$stage/$device.csv" >/dev/null
  [ -s "$stage/$device.csv" ] || fail "no CSV from $device"
done
scopehost acquire tektronix --sim --html "$stage/tektronix.html" >/dev/null
grep -q '"name":"ch1"' "$stage/tektronix.html" || fail "no viewer page from the installed template"
scopehost acquire hameg1 --sim hm408 --wave "$stage/wave" >/dev/null
[ -s "$stage/wave/ch1.txt" ] || fail "no waveform file from the shipped bench hm408"
[[ $(scopehost scan --gpib sim) == *TEKTRONIX* ]] || fail "scan --gpib sim finds no TDS540"
# No linux-gpib here: the installed bridge loads and says what is missing.
[[ $(scopehost scan --gpib linux-gpib 2>&1 || true) == *libgpib.so.0* ]] ||
  fail "the installed linux-gpib bridge does not load"

# The example host, against the installed tree through each of the two ways in.
export PKG_CONFIG_PATH="$root/lib/pkgconfig"
cc -std=c11 -Wall -Wextra -Wpedantic -Werror $(pkg-config --cflags gpibscope) \
  -DGPIBSCOPE_MODULE="\"$(pkg-config --variable=module gpibscope)\"" examples/host/host.c \
  $(pkg-config --libs gpibscope) -o "$stage/host-pkg-config"
cmake -S examples/host -B "$stage/host-cmake" -G Ninja -DCMAKE_PREFIX_PATH="$root" \
  -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >/dev/null
cmake --build "$stage/host-cmake" >/dev/null
for host in "$stage/host-pkg-config" "$stage/host-cmake/host"; do
  "$host" | grep -q '^2 Tektronix TDS540' || fail "$host does not list the devices"
done
# The C host on the host library, likewise both ways; it finds the library by the run path.
cc -std=c11 -Wall -Wextra -Wpedantic -Werror $(pkg-config --cflags gpibscope) \
  examples/acquire/acquire.c $(pkg-config --libs gpibscope) \
  -Wl,-rpath,"$(pkg-config --variable=libdir gpibscope)" -o "$stage/acquire-pkg-config"
cmake -S examples/acquire -B "$stage/acquire-cmake" -G Ninja -DCMAKE_PREFIX_PATH="$root" \
  -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >/dev/null
cmake --build "$stage/acquire-cmake" >/dev/null
for host in "$stage/acquire-pkg-config" "$stage/acquire-cmake/acquire"; do
  env -u GPIBSIM_BENCH -u LD_LIBRARY_PATH "$host" "$stage/acquired.csv" |
    grep -q '^Tektronix TDS540: 15000 points in 3 channels' || fail "$host does not acquire"
  grep -q '^# device: Tektronix TDS540' "$stage/acquired.csv" || fail "$host wrote no CSV"
  rm "$stage/acquired.csv"
done

page="$root/share/man/man1/scopehost.1.gz"
warnings=$(man --warnings -l "$page" 2>&1 >/dev/null)
[ -z "$warnings" ] || fail "scopehost(1): $warnings"
man -P cat -l "$page" | grep -q 'EXIT STATUS' || fail "man -l does not show scopehost(1)"

# The Python package: its suite against build/ and, imported from the installed tree, the
# installed package.
env -u GPIBSIM_BENCH -u GPIBSCOPE_MODULE GPIBSCOPE_INSTALLED_PREFIX="$root" \
  /usr/bin/python3 -m pytest -q -p no:cacheprovider tests/python ||
  fail "the Python package's tests failed"

# The package: its name, its computed dependencies, and exactly these files.
rm -f build/gpibscope_*.deb
(cd build && cpack -G DEB >/dev/null)
package=$(echo build/gpibscope_*_"$(dpkg --print-architecture)".deb)
[ -f "$package" ] || fail "no package $package"
dpkg-deb -f "$package" Depends | grep -q 'libc6' || fail "$package has no computed dependencies"
dpkg-deb -f "$package" Depends | grep -q 'python3-numpy' || fail "$package lacks python3-numpy"
expected=(
  usr/bin/scopehost
  usr/include/gpibscope/host.h usr/include/gpibscope/host_library.h
  usr/include/gpibscope/language_module.h
  usr/include/gpibscope/message_ids.h usr/include/ni488/ni488.h usr/include/ni488/export_types.h
  usr/include/ni488/bound_names.h usr/include/ni488/bound_entries.h
  usr/lib/cmake/gpibscope/gpibscopeConfig.cmake usr/lib/cmake/gpibscope/gpibscopeConfigVersion.cmake
  usr/lib/cmake/gpibscope/gpibscopeTargets.cmake
  usr/lib/cmake/gpibscope/gpibscopeTargets-relwithdebinfo.cmake usr/lib/pkgconfig/gpibscope.pc
  usr/lib/libgpibscope-host.so usr/lib/libgpibscope-host.so.0 usr/lib/libgpibscope-host.so.0.1.0
  usr/lib/gpibscope/libgpibscope.so usr/lib/gpibscope/libQuenLang70.so
  usr/lib/gpibscope/libgpibscope_de.so usr/lib/gpibscope/sim/libgpib-32.so
  usr/lib/gpibscope/bridges/linux-gpib/libgpib-32.so
  usr/lib/gpibscope/bridges/prologix/libgpib-32.so
  usr/lib/gpibscope/bridges/vxi11/libgpib-32.so
  usr/lib/gpibscope/bridges/recorder/libgpib-32.so
  usr/lib/gpibscope/bridges/replay/libgpib-32.so
  usr/share/man/man1/scopehost.1.gz usr/share/gpibscope/viewer.html
)
for module in python/gpibscope/*.py _installation.py; do
  expected+=("usr/lib/python3/dist-packages/gpibscope/$(basename "$module")")
done
for bench in sim/benches/*.toml examples/benches/*.toml; do
  expected+=("usr/share/gpibscope/benches/$(basename "$bench")")
done
diff <(printf '%s\n' "${expected[@]}" | sort) \
  <(dpkg-deb -c "$package" | awk '$1 !~ /^d/ { sub("^\\./", "", $6); print $6 }' | sort) ||
  fail "$package: unexpected file list (< expected, > packaged)"
echo "install-check: installed tree, example host, manual page and $package are sound"
