#!/usr/bin/env bash
# Builds the libFuzzer targets (preset "fuzz", clang, build-fuzz/), writes their seeds from the
# instrument models (the Prologix bridge's are files in fuzz/seeds/) and runs each target for
# the given number of seconds (default 30, the short run the test command makes). Every target runs even when one finds something; the
# script then fails and names the inputs that crashed (build-fuzz/findings/).
#
#   scripts/fuzz.sh            30 s per target (CI)
#   scripts/fuzz.sh 1800       a longer local run: half an hour per target
#
# The corpus each target builds up is kept in fuzz/corpus-run/<target>/ (not versioned) and
# starts the next run where this one stopped. To replay one input:
#   build-fuzz/bin/<target>_fuzz build-fuzz/findings/<target>-crash-...
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-30}
targets=(hameg philips tektronix scan prologix vxi11 recording raw_file)

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target make_seeds "${targets[@]/%/_fuzz}"

rm -rf build-fuzz/seeds build-fuzz/findings
mkdir -p build-fuzz/findings build-fuzz/logs
build-fuzz/bin/make_seeds build-fuzz/seeds
cp -r fuzz/seeds/. build-fuzz/seeds/  # seeds kept as files: the bridge's controller streams

failed=()
for target in "${targets[@]}"; do
  corpus="fuzz/corpus-run/$target"
  log="build-fuzz/logs/$target.log"
  mkdir -p "$corpus"
  if build-fuzz/bin/"${target}_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
       -print_final_stats=1 -artifact_prefix="build-fuzz/findings/$target-" \
       "$corpus" "build-fuzz/seeds/$target" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    coverage=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1)
    echo "fuzz $target: ${seconds} s, $runs runs, $coverage, no finding"
  else
    echo "fuzz $target: FINDING (log $log)"
    grep -E 'ERROR|SUMMARY|contract broken|Test unit written' "$log" || tail -n 40 "$log"
    failed+=("$target")
  fi
done

if [ ${#failed[@]} -ne 0 ]; then
  echo "fuzz: findings in ${failed[*]}; inputs in build-fuzz/findings/" >&2
  exit 1
fi
