#!/bin/sh
# What the end-to-end tests share besides the X session: checks that report
# and count failures, and measurements of screenshots and captured sound.
FAILURES=0
check() {  # check DESCRIPTION COMMAND...: passes when the command does
  description=$1
  shift
  if "$@"; then echo "ok: $description"; else echo "FAILED: $description"; FAILURES=$((FAILURES + 1)); fi
}
# ImageMagick 7's own command is magick; its convert, the stand-in for 6's,
# prints a stray line before what -fx measures.
if command -v magick >/dev/null 2>&1; then im() { magick "$@"; }; else im() { convert "$@"; }; fi
# The mean colour of a rectangle of a screenshot, as "R G B" from 0 to 255.
mean_colour() {  # FILE X Y WIDTH HEIGHT
  im "xwd:$1" -crop "$4x$5+$2+$3" +repage -scale '1x1!' -format '%[fx:int(255*r)] %[fx:int(255*g)] %[fx:int(255*b)]' info:
}
# Whether two colours "R G B" lie within 60 of each other on every channel.
near() { echo "$1 $2" | awk '{ for (i = 1; i <= 3; i++) if ($i - $(i + 3) > 60 || $(i + 3) - $i > 60) exit 1 }'; }
louder() { awk -v a="$1" -v b="$2" -v f="$3" 'BEGIN { exit !(a > b * f) }'; }  # A > B x F
finish_checks() {
  [ "$FAILURES" -eq 0 ] || { echo "$FAILURES check(s) failed"; exit 1; }
}
# WORK with clicks for notes, so that each onset shows to the sample and each
# is told by its pan, and in slot 1 a peg on every row, at column row mod 12.
# The other sound sets are the same clicks: with notes as long as real ones,
# every voice would mix for a second, and SDL's disk driver, whose clock runs
# by how long the mixing takes, would wander (bench/ times a real set's load).
make_clicks_work() {
  make_work
  rm "$WORK"/note*.wav
  for note in $(seq -w 0 15); do sox -n -r 22050 -b 16 -c 1 "$WORK/note$note.wav" synth 0.02 square 1000 vol 0.5; done
  for set in $(cd "$BUILD/data" && ls -d -- */); do
    rm "$WORK/${set%/}" && mkdir "$WORK/$set" && cp "$WORK"/note*.wav "$WORK/$set"
  done
  awk 'BEGIN { for (i = 0; i < 192; i++) printf "%c", (i % 12 == int(i / 12) % 12) ? 1 : 0 }' >"$WORK/motif1.pat"
}
