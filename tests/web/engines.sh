#!/bin/sh
# The browser tests in each engine, one run each: Chromium headless; Firefox
# and WebKitGTK in windows on a private Xvfb (headless, Firefox has no WebGL
# here) with a PulseAudio null sink (without a sound server their audio clocks
# never start), both started here and stopped on exit.
#   tests/web/engines.sh BUILD_WEB [ENGINE...]
set -eu
cd "$(dirname "$0")"
export BUILD_WEB="$1"
shift
scratch=$(mktemp -d /tmp/pegpond-engines-XXXXXX)
# The servers are waited for before their folder goes: PulseAudio still writes
# into it as it stops.
trap 'kill ${xvfb:-} ${pulse:-} 2>/dev/null; wait ${xvfb:-} ${pulse:-} 2>/dev/null; rm -rf "$scratch" || true' EXIT
trap 'exit 1' INT TERM
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$scratch/display" >/dev/null 2>&1 &
xvfb=$!
XDG_RUNTIME_DIR="$scratch" HOME="$scratch" pulseaudio -n --daemonize=no --exit-idle-time=-1 --load=module-null-sink \
  --load="module-native-protocol-unix socket=$scratch/sound auth-anonymous=1" >/dev/null 2>&1 &
pulse=$!
for _ in $(seq 100); do [ -s "$scratch/display" ] && [ -S "$scratch/sound" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n 1 "$scratch/display")" PULSE_SERVER="unix:$scratch/sound"
MINIBROWSER=$(ls /usr/lib/*/webkit2gtk-4.1/MiniBrowser | head -n 1)
export MINIBROWSER
for engine in ${@:-chromium firefox webkit}; do ENGINE=$engine node --test ${PATTERN:+--test-name-pattern="$PATTERN"}; done
