#!/bin/sh
# A take of the real program, through SDL's disk driver: w while the folder for
# takes cannot be made keeps nothing and the sound goes on; then a take over a
# tilt, a shake, a reload, a faster tempo and another sound set, stopped by w,
# and one left running at the quit.
# The take's WAV is the mixer's output over its span, sample for sample where
# the capture is at the program's rate (onset for onset where SDL 2 resamples
# it); its MIDI file, read with mido, holds the notes heard, in order, at the
# steps they sounded, with their sets' pitches and their pans, a tempo event
# where the tempo changed, and a program change where the set did.
#   take.sh BUILD_DIR
BUILD=$1
here=$(dirname "$0")
. "$here/../../scripts/xsession"
. "$here/check.sh"

make_clicks_work
mkdir -p "$WORK/home/.config" "$WORK/home/Tunes"
echo 'XDG_MUSIC_DIR="$HOME/Tunes"' >"$WORK/home/.config/user-dirs.dirs"
touch "$WORK/home/Tunes/pegpond"  # a file where the folder should be
takes=$WORK/home/Tunes/pegpond
slots() { (cd "$WORK" && ls -l --time-style=+%s -- *.pat note*.wav) | md5sum; }
before=$(slots)

start_x
SOUND=disk start_program HOME="$WORK/home" XDG_CONFIG_HOME="$WORK/home/.config"
check "the window shows" wait_window
xdo mousemove 160 240 key 1 mousemove 700 500
sleep 1
xdo mousemove 160 240 key w mousemove 700 500
sleep 1
screenshot "$WORK/idle.xwd"
rm "$takes"
xdo mousemove 160 240 key w mousemove 700 500
sleep 1.5
screenshot "$WORK/taking.xwd"
xdo mousemove 160 240 keydown Up sleep 0.5 keyup Up mousemove 700 500
sleep 2
xdo mousemove 160 240 keydown BackSpace sleep 1 keyup BackSpace
sleep 2.5
xdo key 1 mousemove 700 500
sleep 2
xdo key equal  # 130 bpm
sleep 2
xdo key s  # the pluck
sleep 2
xdo mousemove 160 240 key w mousemove 700 500
sleep 1
screenshot "$WORK/after.xwd"
xdo mousemove 160 240 key w mousemove 700 500  # a second take, kept at the quit
sleep 1
stop_program
check "a quit request ends it with status 0" [ "$STATUS" -eq 0 ]
check "the mark shows in the band above the grid while a take runs" near "$(mean_colour "$WORK/taking.xwd" 300 20 8 8)" "230 25 25"
unmarked() { ! near "$(mean_colour "$1" 300 20 8 8)" "230 25 25"; }
check "and not before or after" unmarked "$WORK/idle.xwd" && unmarked "$WORK/after.xwd"
check "no slot, note or take in the working folder" [ "$(slots)" = "$before" ] && [ -z "$(ls "$WORK" | grep -e '.wav$' -e '.mid$' | grep -v '^note')" ]
set -- "$takes"/pegpond-*.wav
check "two takes, named by the date and time: $(ls "$takes" | tr '\n' ' ')" \
  sh -c 'ls "$1" | grep -Eqx "pegpond-[0-9]{4}-[0-9]{2}-[0-9]{2}-[0-9]{6}(-2)?\.(wav|mid)" && [ $(ls "$1" | wc -l) -eq 4 ]' - "$takes"
check "the take's sound, its notes and the capture agree" \
  /usr/bin/python3 "$here/../support/takes.py" wav "$1" "${1%.wav}.mid" "$WORK/sound.raw" "$CAPTURE_RATE" 120,130 12,24
check "the take running at the quit is kept" [ "$(stat -c %s "$2")" -gt 44144 ]
finish_checks
