#!/usr/bin/env bash
# Builds gpibscope with AddressSanitizer and UndefinedBehaviorSanitizer and runs every test
# suite. Installs what it needs first.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset test
cmake --build --preset test
ctest --preset test
