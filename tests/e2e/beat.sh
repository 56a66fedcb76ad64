#!/bin/sh
# The beat, heard through SDL's disk driver, or as a player hears it: the
# program's default output into a sound server's null sink, recorded through
# the server's PulseAudio side (scripts/xsession says why). A peg on every
# row, the sweep moving down (the pointer outside the window), then up and
# down again as the keys tilt it. Every line's note starts one step after
# the line before it, to the millisecond, none is lost, and the steps keep
# real time, while s switches the sound set three times, each loaded then.
# The notes are clicks, so that each onset shows to the sample, and each is
# recognised by its pan. At another tempo than 120 bpm, its keys are pressed
# first.
#   beat.sh BUILD_DIR [SECONDS [disk|pipewire|pulseaudio [BPM]]]
#                                 (12 s through the disk driver by default)
BUILD=$1 seconds=${2:-12} capture=${3:-disk} bpm=${4:-120}
here=$(dirname "$0")
. "$here/../../scripts/xsession"
. "$here/check.sh"

# A machine writing back a build it has just made holds up a process that
# writes a file meanwhile, here SDL's disk driver, for tens of ms, which the
# device clock takes for a stall: the disk driver writes into memory (a tmpfs),
# once what waits for the disk is written.
if [ "$capture" = disk ]; then
  [ -d /dev/shm ] && [ -w /dev/shm ] && WORK_PARENT=/dev/shm
  sync
fi
make_clicks_work

start_x
if [ "$capture" = disk ]; then
  launched=$(date +%s%N)
  SOUND=disk start_program
else
  start_sound_server "$capture"
  record_sink "$WORK/sound.raw"
  sleep 2.5  # a null sink's first block is long (PulseAudio's two seconds), as no sound card's is
  launched=$(date +%s%N)
  SOUND=default start_program
fi
check "the window shows" wait_window
xdo mousemove 160 240 key 1 mousemove 700 500  # loads slot 1, ends the intro and leaves
if [ "$bpm" -lt 120 ]; then key=minus; else key=equal; fi
presses=$(((bpm - 120) / 10))
for _ in $(seq "${presses#-}"); do xdo key $key; done
# The first frame after the intro is slow: its line may start late, at once.
# And the device clock finds the device's pace over its first seconds (SDL's
# disk driver runs up to 1 % off): measured from five seconds on, as a player
# hears it after the intro.
sleep 1
sleep "$(awk -v s="$(( $(date +%s%N) - launched ))" 'BEGIN { w = 5 - s / 1e9; print (w > 0 ? w : 0) }')"
phase=$((seconds / 3))
from=$(stat -c %s "$WORK/sound.raw") started=$(date +%s%N)
xdo mousemove 160 240 key s mousemove 700 500
sleep "$phase"
for key in Up Down; do
  xdo mousemove 160 240 keydown $key sleep 0.3 keyup $key key s mousemove 700 500
  sleep "$phase"
done
to=$(stat -c %s "$WORK/sound.raw") ended=$(date +%s%N)
stop_program

/usr/bin/python3 "$here/../support/takes.py" beat "$WORK/sound.raw" "$CAPTURE_RATE" "$from" "$to" $(((ended - started) / 1000000)) >"$WORK/beat"
read -r gaps step nominal worst unknown far where <"$WORK/beat"
echo "beat through $capture: $gaps gaps of $nominal ms of sound ($step ms of real time), the worst $worst ms off the steps around it ($far ms off the mean; $where)"
check "at least $((seconds * bpm / 30 - 8)) lines sounded, down, up and down" [ "$gaps" -ge $((seconds * bpm / 30 - 8)) ]
check "every gap is one step within 1 ms" awk -v w="$worst" 'BEGIN { exit !(w <= 1) }'
check "the steps keep real time, $((30000 / bpm)) ms at $bpm bpm" awk -v s="$step" -v b="$bpm" 'BEGIN { exit !(s > 29760 / b && s < 30240 / b) }'
check "every note has a note's pan" [ "$unknown" -eq 0 ]
finish_checks
