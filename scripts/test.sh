#!/usr/bin/env bash
# The project's test command, run by CI. Installs what it needs first, then:
#  1. builds everything with AddressSanitizer and UndefinedBehaviorSanitizer (preset "test") and
#     runs every test suite; a sanitizer finding or a leak fails the run;
#  2. builds the shared module, the simulated library and the host-side robustness test
#     without sanitizers (preset "robust", build-robust/) and runs that test with glibc's exact
#     heap count and under valgrind's memcheck;
#  3. cross-builds the Windows DLLs and scopehost.exe and runs their tests under Wine
#     (scripts/windows-test.sh; preset "windows"). When the archive cannot provide Wine
#     (wine32 is an i386 package, the part of the archive least often in step), only the cross
#     build runs, and one line at the start and again as the last says so with apt's reason;
#  4. installs the default build into a temporary prefix, checks the installed scopehost, the
#     example host built against the installed tree, the manual page and the Debian package,
#     and runs the Python package's pytest suite against that build and the installed tree
#     (scripts/install-check.sh; preset "default");
#  5. opens the waveform viewer's pages in headless Chromium and checks what they show against
#     the CSV files (scripts/viewer-test.sh; preset "default");
#  6. runs every fuzz target for 30 seconds (scripts/fuzz.sh; preset "fuzz", clang).
set -euo pipefail
cd "$(dirname "$0")/.."

# Wine first: wine32 replaces amd64 packages with their multiarch builds.
GPIBSCOPE_WINE_UNAVAILABLE=$(scripts/install-deps.sh --why-not wine)
export GPIBSCOPE_WINE_UNAVAILABLE
say_windows_tests_skipped() {
  [ -z "$GPIBSCOPE_WINE_UNAVAILABLE" ] ||
    echo "Windows tests did not run: $GPIBSCOPE_WINE_UNAVAILABLE"
}
say_windows_tests_skipped
trap say_windows_tests_skipped EXIT
scripts/install-deps.sh tests windows

# Leaks fail the run (LeakSanitizer at exit of each test); UBSan findings already abort, as the
# build sets -fno-sanitize-recover.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=1"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:+$UBSAN_OPTIONS:}print_stacktrace=1:halt_on_error=1"

cmake --preset test
cmake --build --preset test
ctest --preset test

cmake --preset robust
cmake --build --preset robust
ctest --preset robust

scripts/windows-test.sh

scripts/install-check.sh

scripts/viewer-test.sh

scripts/fuzz.sh 30
