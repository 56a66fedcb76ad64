#!/bin/sh
# The package installed as a new user would, on a fresh Debian 12 (a minimal
# debootstrap chroot): apt-get install pulls in what it needs, the toy plays in
# a window under Xvfb, the launcher explains a missing display and a missing
# audio device, and apt-get purge leaves nothing of it behind but the player's
# own folder. Needs root and the network, and takes minutes: run it by hand.
#   tests/package/chroot.sh [DEB]
set -eu
deb=$(realpath "${1:-$(ls build-deb/pegpond_*.deb)}")
root=$(mktemp -d /tmp/pegpond-chroot-XXXXXX)
trap 'umount "$root/proc" 2>/dev/null || true; rm -rf "$root"' EXIT
mirror=$(awk '/^URIs:/ && $2 ~ /debian$/ { print $2; exit }' /etc/apt/sources.list.d/*.sources 2>/dev/null || true)
debootstrap --variant=minbase bookworm "$root" "${mirror:-http://deb.debian.org/debian}" >"$root.log" 2>&1 || { tail "$root.log"; exit 1; }
rm -f "$root.log"
mount -t proc proc "$root/proc"
cp "$deb" "$root/tmp/"
run() { chroot "$root" env DEBIAN_FRONTEND=noninteractive HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin sh -c "$1"; }
echo "--- apt-get install ./$(basename "$deb")"
run "apt-get install -y -q /tmp/$(basename "$deb") | grep -E 'newly installed|^Setting up pegpond'"
run "apt-get install -y -q --no-install-recommends xvfb >/dev/null"  # a display for the test only
run "Xvfb :7 -screen 0 320x480x24 >/dev/null 2>&1 &"
sleep 2
echo "--- pegpond in a window for 8 s, its sound to a file"
run "DISPLAY=:7 SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=/tmp/sound.raw SDL_DISKAUDIODELAY=46 timeout 8 pegpond; \
  echo \"stopped after 8 s: status \$?; \$(stat -c %s /tmp/sound.raw) bytes of sound; its folder: \$(ls ~/.local/share/pegpond | wc -l) files\""
echo "--- no display"
run "DISPLAY=:99 SDL_AUDIODRIVER=dummy pegpond; echo \"status \$?\"" 2>&1
echo "--- no audio device"
run "DISPLAY=:7 SDL_AUDIODRIVER=nonesuch pegpond; echo \"status \$?\"" 2>&1
run "pkill Xvfb || kill \$(pidof Xvfb)" 2>/dev/null || true
echo "--- apt-get purge pegpond"
run "apt-get purge -y -q pegpond | grep -E '^Removing|^Purging'"
run "find / -xdev -name '*pegpond*' ! -path '/tmp/*' ! -path '/root/.local/*' | sed 's/^/left behind: /'; \
  echo \"the player's folder stays: \$(ls ~/.local/share/pegpond | wc -l) files\""
