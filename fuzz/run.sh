#!/bin/sh
# Builds the fuzz targets with clang in build-fuzz/ and runs each for
# SECONDS_PER_TARGET (default 60), from a scratch copy of its seed corpus in
# fuzz/corpus (the repository's corpus never grows). Fails when a target
# crashes or finds a broken rule; the input is kept in build-fuzz/findings/.
#   fuzz/run.sh [SECONDS_PER_TARGET]
set -eu
cd "$(dirname "$0")/.."
build="$(pwd)/build-fuzz"
mkdir -p "$build/findings"
{ cmake -S fuzz -B "$build" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ &&
  cmake --build "$build"; } >"$build/build.log" 2>&1 || { cat "$build/build.log"; exit 1; }
scratch=$(mktemp -d /dev/shm/pegpond-fuzz-XXXXXX 2>/dev/null || mktemp -d)  # saves fsync: memory is quicker
trap 'rm -rf "$scratch"' EXIT
failed=""
for target in pattern texture events; do
  mkdir "$scratch/$target" "$scratch/$target-work"
  cp fuzz/corpus/$target/* "$scratch/$target/"
  log="$build/$target.log"
  TMPDIR="$scratch/$target-work" "$build/${target}_fuzzer" -max_total_time="${1:-60}" -timeout=60 -rss_limit_mb=3072 \
    -print_final_stats=1 -artifact_prefix="$build/findings/$target-" "$scratch/$target" >"$log" 2>&1 || failed="$failed $target"
  echo "$target: $(sed -n 's/^stat::number_of_executed_units: */executions: /p' "$log")"
  grep -E "RULE BROKEN|ERROR:|runtime error|SUMMARY|Test unit written" "$log" || true
done
[ -z "$failed" ] || { echo "fuzzing found faults in:$failed (logs in $build/*.log, inputs in $build/findings/)"; exit 1; }
echo "fuzzing passed"
