#!/bin/sh
# Playing in front, the program keeps the screen on; paused (another window has
# the focus, or its own is hidden) and at its end it lets the X server's
# screensaver start and lets go of the desktop's screensaver service, mocked
# here on a session bus of the test's own.
#   power.sh BUILD_DIR
BUILD=$1
here=$(dirname "$0")
. "$here/../../scripts/xsession"
. "$here/check.sh"
make_work
export DBUS_SESSION_BUS_ADDRESS="unix:path=$WORK/bus"
dbus-daemon --session --nofork --address="$DBUS_SESSION_BUS_ADDRESS" >/dev/null 2>&1 &
SERVER_PIDS=$!
/usr/bin/python3 -m dbusmock org.freedesktop.ScreenSaver /org/freedesktop/ScreenSaver org.freedesktop.ScreenSaver >/dev/null 2>&1 &
SERVER_PIDS="$SERVER_PIDS $!"
mock() { dbus-send --session --print-reply --dest=org.freedesktop.ScreenSaver /org/freedesktop/ScreenSaver "org.freedesktop.DBus.Mock.$@" 2>/dev/null; }
for _ in $(seq 100); do mock AddMethod string:org.freedesktop.ScreenSaver string:Inhibit string:ss string:u string:"ret = 7" >/dev/null && break; sleep 0.1; done
mock AddMethod string:org.freedesktop.ScreenSaver string:UnInhibit string:u string: string: >/dev/null
start_x
/usr/bin/python3 "$here/../support/screensaver.py" 1 >/dev/null  # after one idle second
start_program
check "the window shows" wait_window
xlogo >/dev/null 2>&1 &
SERVER_PIDS="$SERVER_PIDS $!"
# After ACTION and two idle seconds: the X server's screensaver, and the last
# call to the desktop's service.
after() {
  xdo "$@"
  sleep 2.5
  echo "$(/usr/bin/python3 "$here/../support/screensaver.py") $(mock GetCalls | grep -o '"[A-Za-z]*Inhibit"' | tail -n 1)"
}
check "playing, the screen stays on" [ "$(after mousemove 160 240 key 1)" = 'off "Inhibit"' ]
check "paused behind another window, it may blank" [ "$(after search --name xlogo windowfocus)" = 'on "UnInhibit"' ]
check "in front again, it stays on" [ "$(after search --name pegpond windowfocus mousemove 100 100)" = 'off "Inhibit"' ]
check "hidden, it may blank" [ "$(after search --name pegpond windowunmap)" = 'on "UnInhibit"' ]
xdo search --name pegpond windowmap windowfocus mousemove 160 240
sleep 1
stop_program
check "and when it ends" [ "$(mock GetCalls | grep -o '"[A-Za-z]*Inhibit"' | tail -n 1)" = '"UnInhibit"' ]
finish_checks
