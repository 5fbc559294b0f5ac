#!/usr/bin/env bash
# Builds the benchmarks (preset "bench", build-bench/), runs them, writes
# bench/results/<date>-<commit>.json and prints a table: CPU time per call, samples per second
# and each figure as a multiple of a memcpy of the same bytes measured in the same run.
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

cmake --preset bench >/dev/null
cmake --build --preset bench

mkdir -p bench/results
out="bench/results/$(date +%Y-%m-%d)-$(git rev-parse --short HEAD).json"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for program in conversion_bench acquisition_bench; do
  echo "running $program" >&2
  "build-bench/bin/$program" --benchmark_repetitions="${BENCH_REPETITIONS:-5}" \
    --benchmark_report_aggregates_only=true --benchmark_out="$work/$program.json" \
    --benchmark_out_format=json "$@" >/dev/null
done
python3 bench/report.py "$out" "$work/conversion_bench.json" "$work/acquisition_bench.json" \
  "${compare[@]}"
