#!/bin/sh
# Soak: the real program under Xvfb for SECONDS (default 120; an hour is 3600)
# with random taps, drags, keys (slots with and without Shift, l, held arrows
# and Backspace) and random pattern files appearing in and vanishing from its
# folder. The program saves into slots 1 to 5, this run writes 6 to 9. Fails on
# a crash or a bad exit, a saved slot that is not 192 bytes, a temporary file
# left behind, or resident memory growing by over 1 MiB once settled: after the
# first 30 s, or the first third of a shorter run.
# A SEED repeats a run's input.
#   soak.sh BUILD_DIR [SECONDS [SEED]]
BUILD=$1 seconds=${2:-120} seed=${3:-$(date +%s)} here=$(dirname "$0")
settle=$((seconds < 90 ? seconds / 3 : 30))
. "$here/../../scripts/xsession"
. "$here/../e2e/check.sh"

make_work
start_x
start_program
check "the window shows" wait_window
xdo mousemove 160 240 key a  # a key without a command ends the intro
awk -v seed="$seed" 'BEGIN { srand(seed); for (i = 0; i < 100000; i++)
  print int(rand() * 10), int(rand() * 12), int(rand() * 16), 1 + int(rand() * 9), int(rand() * 400) }' >"$WORK/actions"
rss() { awk '/^VmRSS:/ { print $2 }' "/proc/$PROGRAM_PID/status" 2>/dev/null; }
start=$(date +%s)
actions=0 settled="" highest=0
while read -r kind column row slot size; do
  now=$(date +%s)
  [ $((now - start)) -lt "$seconds" ] && kill -0 "$PROGRAM_PID" 2>/dev/null || break
  x=$((22 + 25 * column)) y=$((427 - 25 * row))
  case $kind in
    0 | 1) xdo mousemove $x $y click 1 ;;
    2) xdo mousemove $x $y mousedown 1 mousemove $((x + size % 100)) $((y - size % 60)) mouseup 1 ;;
    3) if [ "$slot" -le 5 ]; then xdo key shift+$slot; else xdo key $slot; fi ;;
    4) xdo key $slot ;;
    5) if [ "$slot" -gt 5 ]; then head -c "$size" /dev/urandom >"$WORK/motif$slot.pat"; fi ;;
    6) rm -f "$WORK/motif$((6 + size % 4)).pat" ;;
    7) xdo key l ;;
    8) xdo keydown $(echo Left Right Up Down BackSpace | cut -d' ' -f$((1 + size % 5))) sleep 0.5 keyup Left Right Up Down BackSpace ;;
    9) sleep 0.2 ;;
  esac
  actions=$((actions + 1)) kb=$(rss)
  [ -z "$kb" ] || [ $((now - start)) -lt "$settle" ] || { settled=${settled:-$kb}; [ "$kb" -le "$highest" ] || highest=$kb; }
done <"$WORK/actions"

echo "soak: $actions actions in $(($(date +%s) - start)) s, seed $seed; resident memory $(rss) kB, after $settle s from ${settled:-?} to at most $highest kB"
check "the program still runs" kill -0 "$PROGRAM_PID"
slot_whole() { [ ! -e "$1" ] || [ "$(wc -c <"$1")" -eq 192 ]; }
for slot in 1 2 3 4 5; do check "slot $slot is empty or 192 bytes" slot_whole "$WORK/motif$slot.pat"; done
check "no save left a temporary file" [ -z "$(find "$WORK" -name 'motif*.pat.*')" ]
check "memory was watched after $settle s" [ -n "$settled" ]
[ -z "$settled" ] || check "memory grew by at most 1 MiB after $settle s" [ $((highest - settled)) -le 1024 ]
stop_program
check "a quit request ends it with status 0" [ "$STATUS" -eq 0 ]
finish_checks
