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
