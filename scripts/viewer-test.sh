#!/usr/bin/env bash
# The waveform viewer's tests (tests/host/viewer): scopehost of the default build (preset
# "default", build/) writes a page for each device type of the default simulated bench, and
# pytest drives Debian's Chromium, headless, through them. A screenshot of each page is left
# in build/viewer-screenshots/.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh tests
cmake --preset default >/dev/null
cmake --build --preset default --target scopehost
# Debian's own interpreter, the one python3-selenium and python3-numpy install for.
PYTHONDONTWRITEBYTECODE=1 /usr/bin/python3 -m pytest -q -p no:cacheprovider tests/host/viewer
