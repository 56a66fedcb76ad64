#!/bin/bash
# Instructions one tick plus one frame executes on llvmpipe, counted by
# callgrind: unlike the times of pegpond_bench, they do not wander with the
# machine's load, so small changes to the per-frame path show.
#   bench/instructions.sh [BUILD] [CASE ...]
# A CASE is a benchmark argument list such as 320/480/1/1 (w/h/pegs/scale);
# by default the empty and the full grid at 320 x 480. Each case runs its 300
# timed frames under valgrind (about two minutes); cases run two at a time.
set -eu
build=${1:-build}
[ $# -gt 0 ] && shift
cases=("$@")
[ ${#cases[@]} -gt 0 ] || cases=(320/480/0/1 320/480/1/1)
bench=$(realpath "$build/bench/pegpond_bench")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

count() {
  local args=(${1//\// })
  # One rasteriser thread, the calling one, so the frame's work is all counted.
  LP_NUM_THREADS=0 valgrind --tool=callgrind --smc-check=all --instr-atstart=no \
    --callgrind-out-file="$work/${1//\//-}.out" "$bench" \
    --benchmark_filter="TickAndCompose/w:${args[0]}/h:${args[1]}/pegs:${args[2]}/scale:${args[3]}/" \
    >"$work/${1//\//-}.log" 2>&1
  local total
  total=$(grep -o 'Collected : [0-9]*' "$work/${1//\//-}.log" | grep -o '[0-9]*$')
  # 300 timed frames a case (the benchmark's iteration count).
  awk -v c="$1" -v t="$total" 'BEGIN { printf "%-14s %6.2f M instructions a frame\n", c, t / 300 / 1e6 }'
}

running=0
for c in "${cases[@]}"; do
  count "$c" &
  running=$((running + 1))
  if [ $running -eq 2 ]; then wait -n; running=$((running - 1)); fi
done
wait
