#!/bin/sh
# Playing the real program by hand, under Xvfb with real X input: the splash,
# a loaded pattern, a shake, taps and a drag saved to a slot, undone and redone, and what the
# screen shows: the background mirrored through live water, pegs at their
# cells; then the keyboard's cursor. (beat.sh listens to it.)
#   play.sh BUILD_DIR
BUILD=$1
here=$(dirname "$0")
. "$here/../../scripts/xsession"
. "$here/check.sh"

# Pattern bytes: one per cell from the bottom row up; "row,column" pegs.
pattern() {
  i=0
  while [ $i -lt 192 ]; do
    case " $* " in *" $((i / 12)),$((i % 12)) "*) printf '\001' ;; *) printf '\000' ;; esac
    i=$((i + 1))
  done
}
make_work
rm "$WORK/splash.png" "$WORK/background.png" "$WORK/peg.png"
convert -size 512x256 xc:'rgb(220,20,20)' xc:'rgb(20,20,220)' -append "PNG24:$WORK/splash.png"
convert -size 512x256 xc:'rgb(20,180,20)' xc:'rgb(180,20,180)' -append "PNG24:$WORK/background.png"
convert -size 64x64 xc:none -fill 'rgb(250,250,40)' -draw 'rectangle 7,7 56,56' "PNG32:$WORK/peg.png"
pattern 15,0 14,1 13,2 12,3 11,4 10,5 9,6 8,7 7,8 6,9 5,10 4,11 >"$WORK/motif1.pat"  # the shake clears them

# A landscape display: the program takes a 320 x 480 window at the top left.
start_x 800 600
start_program
check "the window shows" wait_window
screenshot "$WORK/splash.xwd"
check "the splash is upright: red above" near "$(mean_colour "$WORK/splash.xwd" 0 0 320 200)" "220 20 20"
check "the splash is upright: blue below" near "$(mean_colour "$WORK/splash.xwd" 0 280 320 200)" "20 20 220"

xdo mousemove 160 240 key 1  # keyboard focus follows the pointer; loads slot 1 and ends the intro
sleep 1
xdo keydown BackSpace sleep 1 keyup BackSpace  # a shake clears the grid
sleep 1.5                    # and goes on clearing it for two seconds
x() { echo $((22 + 25 * $1)); }
y() { echo $((427 - 25 * $1)); }
for cell in "0 0" "15 11" "7 7" "7 7"; do
  set -- $cell
  xdo mousemove "$(x "$2")" "$(y "$1")" click 1
done
xdo mousemove "$(x 1)" "$(y 1)" mousedown 1
for column in 2 3 4 3 2; do xdo mousemove "$(x $column)" "$(y 1)"; done
xdo mouseup 1
sleep 0.7
xdo key shift+5
sleep 0.7
pattern 0,0 15,11 1,1 1,2 1,3 1,4 >"$WORK/expected.pat"
check "taps and a drag after the shake are saved to slot 5" cmp "$WORK/expected.pat" "$WORK/motif5.pat"
xdo key ctrl+z shift+6 ctrl+y shift+7  # the drag undone as one step, and redone
for _ in 1 2 3 4 5 6; do xdo key ctrl+z; done  # then the drag, the four taps and the shake
xdo key shift+8
sleep 0.7
pattern 0,0 15,11 >"$WORK/undone.pat"
check "Ctrl+Z undoes the drag as one step, Ctrl+Y redoes it" cmp "$WORK/undone.pat" "$WORK/motif6.pat" && cmp "$WORK/expected.pat" "$WORK/motif7.pat"
check "and the shake is undone too" cmp "$WORK/motif1.pat" "$WORK/motif8.pat"
for _ in 1 2 3 4 5 6; do xdo key ctrl+y; done  # all redone: the taps and the drag again

sleep 0.5
screenshot "$WORK/first.xwd"
sleep 1
screenshot "$WORK/second.xwd"
check "the background's top half lies along the bottom" near "$(mean_colour "$WORK/first.xwd" 0 310 320 150)" "20 180 20"
check "the background's bottom half lies along the top" near "$(mean_colour "$WORK/first.xwd" 0 20 320 150)" "180 20 180"
check "a peg shows at row 0, column 0" near "$(mean_colour "$WORK/first.xwd" 14 419 17 17)" "250 250 40"
check "a peg shows at row 15, column 11" near "$(mean_colour "$WORK/first.xwd" 289 44 17 17)" "250 250 40"
changed=$(compare -metric AE "xwd:$WORK/first.xwd" "xwd:$WORK/second.xwd" null: 2>&1)
check "the water moves ($changed pixels changed in a second)" [ "${changed%.*}" -gt 1000 ]

# Tab gives the arrows to a cursor from the top left cell; Space toggles a cell.
xdo key Tab key Down key Down key Right key Right key Right key space key Right shift+9
sleep 0.7
screenshot "$WORK/cursor.xwd"
xdo key Tab
sleep 0.5
screenshot "$WORK/steering.xwd"
pattern 0,0 15,11 1,1 1,2 1,3 1,4 13,3 >"$WORK/cursor.pat"
check "in cursor mode Space places a peg at row 13, column 3" cmp "$WORK/cursor.pat" "$WORK/motif9.pat"
framed() { near "$(mean_colour "$1" 110 92 3 20)" "255 217 25"; }  # the left edge of row 13, column 4
check "the cursor's frame shows round its cell" framed "$WORK/cursor.xwd"
check "and goes with Tab" eval '! framed "$WORK/steering.xwd"'

stop_program
check "a quit request ends it with status 0" [ "$STATUS" -eq 0 ]
finish_checks
