#!/bin/sh
# The headless demo that `make run` plays without a display: a plausible
# screenshot (mid-toned, varied water; the red pegs of its pattern) and a
# recording of more than five seconds that is not silent. With "played", only
# checks what the last `make run` left.
#   demo.sh BUILD_DIR [played]
here=$(dirname "$0")
. "$here/check.sh"
out="$1/demo"
if [ "${2:-}" != played ]; then
  rm -rf "$out"
  "$here/../../scripts/demo" "$1" >/dev/null
fi

check "the screenshot is 320 x 480" [ "$(identify -format '%w %h' "$out/pegpond.png")" = "320 480" ]
set -- $(im "$out/pegpond.png" -colorspace gray -format '%[fx:int(255*mean)] %[fx:int(255*standard_deviation)]' info:)
check "the water is mid-toned ($1) and varied ($2)" [ "$1" -gt 60 -a "$2" -gt 10 ]
red=$(im "$out/pegpond.png" -fx 'r > 0.59 && g < 0.39 && b < 0.39' -format '%[fx:int(mean * w * h)]' info:)
check "the demo pattern's 22 pegs show ($red red pixels)" [ "$red" -gt 880 ]
seconds=$(soxi -D "$out/pegpond.wav")
check "the recording lasts over five seconds ($seconds)" awk "BEGIN { exit !($seconds > 5) }"
check "the recording is not silent" louder "$(sox "$out/pegpond.wav" -n stat 2>&1 | awk '/^RMS +amplitude/ { print $3 }')" 0.003 1
finish_checks
