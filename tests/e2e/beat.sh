#!/bin/sh
# The beat, heard through SDL's disk driver: a peg on every row, the sweep
# moving down (the pointer outside the window), then up and down again as the
# keys tilt it. Every line's note starts one step after the line before it, to
# the millisecond, none is lost, and the steps keep real time. The notes are
# clicks, so that each onset shows to the sample, and each is recognised by
# its pan.
#   beat.sh BUILD_DIR [SECONDS]   (12 by default; 600 for a long run)
BUILD=$1 seconds=${2:-12}
here=$(dirname "$0")
. "$here/../../scripts/xsession"
. "$here/check.sh"

make_work
rm "$WORK"/note*.wav
for note in $(seq -w 0 15); do sox -n -r 22050 -b 16 -c 1 "$WORK/note$note.wav" synth 0.02 square 1000 vol 0.5; done
awk 'BEGIN { for (i = 0; i < 192; i++) printf "%c", (i % 12 == int(i / 12) % 12) ? 1 : 0 }' >"$WORK/motif1.pat"

start_x
SOUND=disk start_program
check "the window shows" wait_window
xdo mousemove 160 240 key 1 mousemove 700 500  # loads slot 1, ends the intro and leaves
sleep 1  # the first frame after the intro is slow: its line may start late, at once
phase=$((seconds / 3))
from=$(stat -c %s "$WORK/sound.raw") started=$(date +%s%N)
sleep "$phase"
for key in Up Down; do
  xdo mousemove 160 240 keydown $key sleep 0.3 keyup $key mousemove 700 500
  sleep "$phase"
done
to=$(stat -c %s "$WORK/sound.raw") ended=$(date +%s%N)
stop_program

# Onsets: a sample above a tenth of the clicks' height after 40 ms below it. A
# capture resampled from the program's rate rings a little before each click,
# up to about a twentieth of its height. Gaps are counted in its own samples.
od -An -v -td2 -w4 -j "$from" -N $((to - from)) "$WORK/sound.raw" | awk -v rate="$(((to - from) / 4))/$(((ended - started) / 1000000))" \
  -v nominal="$CAPTURE_RATE" '
  function abs(v) { return v < 0 ? -v : v }
  function most(a, b) { return a > b ? a : b }
  BEGIN { split(rate, r, "/"); perMs = r[1] / r[2]; nominal /= 1000; quiet = n = 0 }
  { loud = most(abs($1), abs($2)) }
  loud > 600 && quiet > 40 * nominal { onset[n] = NR; ratio[n++] = $1 / $2 }
  { quiet = loud <= 600 ? quiet + 1 : 0 }
  END {
    for (i = 1; i < n; i++) { gap[i] = onset[i] - onset[i - 1]; mean += gap[i] / (n - 1) }
    # Each gap against the step of the sound clock there: the mean of the
    # gaps around it, as the disk driver clock wanders over seconds.
    for (i = 1; i < n; i++) {
      step = count = 0
      for (j = i - 4; j <= i + 4; j++) if (j != i && j >= 1 && j < n) { step += gap[j]; count++ }
      worst = most(worst, abs(gap[i] - step / count))
      far = most(far, abs(gap[i] - mean))
    }
    for (i = 0; i < n; i++) {  # the nearest of the sixteen pans: left 255 - p, right 155 + p
      best = 1
      for (note = 0; note < 16; note++) { p = int(note * 100 / 15); best = -most(-best, -abs(ratio[i] * (155 + p) / (255 - p) - 1)) }
      unknown += best > 0.02
    }
    printf "%d %.1f %.2f %.2f %d %.2f\n", n - 1, mean / perMs, mean / nominal, worst / nominal, unknown, far / nominal
  }' >"$WORK/beat"
read -r gaps step nominal worst unknown far <"$WORK/beat"
echo "beat: $gaps gaps of $nominal ms of sound ($step ms of real time), the worst $worst ms off the steps around it ($far ms off the mean)"
check "at least $((seconds * 4 - 8)) lines sounded, down, up and down" [ "$gaps" -ge $((seconds * 4 - 8)) ]
check "every gap is one step within 1 ms" awk -v w="$worst" 'BEGIN { exit !(w <= 1) }'
check "the steps keep real time" awk -v s="$step" 'BEGIN { exit !(s > 248 && s < 252) }'
check "every note has a note's pan" [ "$unknown" -eq 0 ]
finish_checks
