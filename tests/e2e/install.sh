#!/bin/sh
# The installed toy: cmake --install into a temporary prefix, then the launcher
# under Xvfb, its per-user folder, its silence, and its one sentence for a
# failed start.
#   install.sh BUILD_DIR
BUILD=$1
here=$(dirname "$0")
. "$here/../../scripts/xsession"
. "$here/check.sh"

make_work
prefix="$WORK/prefix"
cmake --install "$BUILD" --prefix "$prefix" >/dev/null
# What is installed where: tests/package/package.sh; the launcher's start proves the rest.
check "installs the launcher, the program and its data" [ -s "$prefix/libexec/pegpond/pegpond" ] && [ -s "$prefix/share/pegpond/note15.wav" ]

PROGRAM="$prefix/bin/pegpond"
home="$WORK/home"
start_x
start_program XDG_DATA_HOME="$home"
check "the launcher starts the toy" wait_window
check "the data files and sound sets are linked into the per-user folder" [ -s "$home/pegpond/note00.wav" ] && [ -s "$home/pegpond/vibes/note15.wav" ]
xdo mousemove 22 427 click 1 sleep 0.3 click 1 key shift+4  # ends the intro, places a peg, saves
sleep 1
check "a save lands in the per-user folder" [ "$(wc -c <"$home/pegpond/motif4.pat")" -eq 192 ]
stop_program
check "a quit request passes through the launcher: status 0" [ "$STATUS" -eq 0 ]
check "nothing is printed" [ "$(cat "$WORK/out" "$WORK/err")" = "" ]

failed_start() {  # failed_start WHAT SENTENCE: status 255 and that one sentence
  for _ in $(seq 200); do kill -0 "$PROGRAM_PID" 2>/dev/null || break; sleep 0.1; done
  stop_program
  check "$1 ends the start with status 255" [ "$STATUS" -eq 255 ]
  check "$1 is named in one line" [ "$(grep -c "$2" "$WORK/err") $(wc -l <"$WORK/err")" = "1 1" ]
}
SOUND=no-such-driver start_program XDG_DATA_HOME="$home"
failed_start "an audio device that will not open" "no audio device could be opened"
nobody=98; while [ -e /tmp/.X11-unix/X$nobody ]; do nobody=$((nobody + 1)); done  # a display no server serves
start_program XDG_DATA_HOME="$home" DISPLAY=:$nobody
failed_start "a display that cannot be reached" "no display with OpenGL ES 2.0"
rm "$prefix/share/pegpond/note00.wav"
start_program XDG_DATA_HOME="$home"
failed_start "a missing note sample" "the note sample note00.wav is missing"
finish_checks
