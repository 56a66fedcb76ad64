#!/bin/sh
# The handheld's screen scaled up on a large display: on 2560 x 1440 the
# window is 640 x 960 and shows the pond twice as large, a click in window
# pixels toggles the cell under it; PEGPOND_SCALE=1 keeps it 320 x 480.
#   scale.sh BUILD_DIR
BUILD=$1
here=$(dirname "$0")
. "$here/../../scripts/xsession"
. "$here/check.sh"

size() { xdotool search --name '^pegpond$' getwindowgeometry | awk '/Geometry/ { print $2 }'; }
make_work
start_x 2560 1440
start_program
check "the window shows" wait_window
check "the window is 640 x 960 ($(size))" [ "$(size)" = 640x960 ]
xdo mousemove 300 300 click 1 sleep 0.5 mousemove 294 704 click 1  # ends the intro; row 3, column 5
sleep 0.7
xdo key shift+6
sleep 0.7
check "the click placed the peg of row 3, column 5" [ "$(od -An -v -tu1 -j 41 -N 1 "$WORK/motif6.pat" | tr -d ' ')" = 1 ]
screenshot "$WORK/shot.xwd"
check "the pond fills the window" near "$(mean_colour "$WORK/shot.xwd" 0 0 640 960)" "120 140 120"
check "the peg shows twice as large" near "$(mean_colour "$WORK/shot.xwd" 284 694 20 20)" "200 60 40"
check "outside the window is black" near "$(mean_colour "$WORK/shot.xwd" 640 0 100 960)" "0 0 0"
stop_program
start_program PEGPOND_SCALE=1
wait_window
check "PEGPOND_SCALE=1 gives 320 x 480 ($(size))" [ "$(size)" = 320x480 ]
finish_checks
