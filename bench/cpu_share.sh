#!/bin/sh
# The real program's share of one core under Xvfb with all 192 pegs at
# 320 x 480, from its own CPU time in /proc over SECONDS after the intro.
# Alternate two builds' runs to compare them: this machine's load wanders.
#   bench/cpu_share.sh BUILD [SECONDS]
BUILD=$1 seconds=${2:-20}
. "$(dirname "$0")/../scripts/xsession"
make_work
head -c 192 /dev/zero | tr '\0' '\1' >"$WORK/motif1.pat"
start_x
start_program
wait_window || exit 1
xdo mousemove 160 240 key 1
sleep 2
ticks() { awk '{ print $14 + $15 }' "/proc/$PROGRAM_PID/stat"; }
from=$(ticks)
sleep "$seconds"
to=$(ticks)
stop_program
awk -v t=$((to - from)) -v s="$seconds" -v hz="$(getconf CLK_TCK)" 'BEGIN { printf "%.1f %% of a core\n", 100 * t / hz / s }'
