#!/usr/bin/env bash
# Builds the benchmarks (preset "bench", build-bench/) and scopehost (preset "default",
# build/), runs them, writes bench/results/<date>-<commit>.json and prints the tables:
#  - each sample conversion and each unpaced acquisition, CPU time per call as a multiple of a
#    memcpy of the bytes it reads and of the bytes it writes, measured in the same run;
#  - NumPy converting the same TDS540 block (bench/numpy_curve.py), and the ratio;
#  - acquisitions on a bus paced at 1 MB/s: wall time over the bus time of their bytes;
#  - CPU per acquisition, user + system over wall time, for each device type through
#    scopehost on the default simulated bench (bench/cpu_per_acquisition.py);
#  - the waveform viewer in headless Chromium for the TDS540's 4 x 20000 points: page open to
#    the first complete drawing, and a zoom redraw (bench/viewer_open_and_zoom.py); a spectrum
#    redraw, and the first drawing of a page comparing two channels with simulated vectors
#    (bench/viewer_spectrum_and_comparison.py);
#  - a TDS540 acquisition through the Python package beside the same one inside scopehost
#    (bench/python_acquisition.py).
#
#   scripts/bench.sh                          the full run (a few minutes)
#   scripts/bench.sh --compare bench/results/OLD.json   adds the change against an earlier run
#   BENCH_REPETITIONS=1 scripts/bench.sh      a quick look
set -euo pipefail
cd "$(dirname "$0")/.."

compare=()
if [ "${1:-}" = "--compare" ]; then
  compare=(--compare "$2")
  shift 2
fi
repetitions="${BENCH_REPETITIONS:-5}"
# Debian's own interpreter, the one python3-numpy installs for (a python3 earlier on PATH may
# be another).
python=/usr/bin/python3

scripts/install-deps.sh bench
cmake --preset bench >/dev/null
cmake --build --preset bench
cmake --preset default >/dev/null
cmake --build --preset default --target scopehost

mkdir -p bench/results
out="bench/results/$(date +%Y-%m-%d)-$(git rev-parse --short HEAD).json"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for program in conversion_bench acquisition_bench; do
  echo "running $program" >&2
  "build-bench/bin/$program" --benchmark_repetitions="$repetitions" \
    --benchmark_report_aggregates_only=true --benchmark_out="$work/$program.json" \
    --benchmark_out_format=json "$@" >/dev/null
done
echo "running bench/numpy_curve.py" >&2
mkdir "$work/curve"
build-bench/bin/conversion_bench --save_tds540_curve="$work/curve"
"$python" bench/numpy_curve.py "$work/curve" "$work/numpy.json" --repetitions "$repetitions"
echo "running bench/cpu_per_acquisition.py" >&2
"$python" bench/cpu_per_acquisition.py build/bin/scopehost "$work/cpu.json" --runs "$repetitions"
echo "running bench/viewer_open_and_zoom.py" >&2
"$python" bench/viewer_open_and_zoom.py build/bin/scopehost "$work/viewer.json" --runs "$repetitions"
echo "running bench/viewer_spectrum_and_comparison.py" >&2
"$python" bench/viewer_spectrum_and_comparison.py build/bin/scopehost "$work/spectrum.json" \
  --runs "$repetitions"
echo "running bench/python_acquisition.py" >&2
"$python" bench/python_acquisition.py build/bin/scopehost python "$work/python.json" \
  --runs $((8 * repetitions))
"$python" bench/report.py "$out" "$work/conversion_bench.json" "$work/acquisition_bench.json" \
  "$work/numpy.json" "$work/cpu.json" "$work/viewer.json" "$work/spectrum.json" \
  "$work/python.json" "${compare[@]}"
