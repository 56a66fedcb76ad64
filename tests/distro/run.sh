#!/bin/sh
# The README's two commands on a fresh Debian of the named release, as a new
# contributor would run them: a minimal debootstrap chroot, the committed tree
# cloned into it, then `make run` (the headless demo) and `make test` there as
# root. The chroot reaches the registries as this machine does: its resolver,
# its proxy variables and the certificate authorities it trusts beyond
# Debian's own. Its mounts and the chroot go on every exit, interrupted or not.
# Needs root and the network; took 6 minutes here.
#   tests/distro/run.sh RELEASE      (trixie, bookworm, ...)
set -eu
release=${1:?usage: tests/distro/run.sh RELEASE}
tree=$(cd "$(dirname "$0")/../.." && pwd)
root=$(mktemp -d "${TMPDIR:-/var/tmp}/pegpond-$release-XXXXXX")
chmod 755 "$root"  # the chroot's /, which every user must pass: mktemp makes it 0700
log="$root.log"

mounted() { grep -q " $root/" /proc/self/mounts; }
cleanup() {
  # What still runs in there (a step cut short, a server it left) holds its mounts.
  for proc in /proc/[0-9]*; do
    [ "$(readlink "$proc/root" 2>/dev/null)" != "$root" ] || kill -KILL "${proc#/proc/}" 2>/dev/null || true
  done
  for mount in tmp dev sys proc; do
    umount -R "$root/$mount" 2>/dev/null || umount -R -l "$root/$mount" 2>/dev/null || true
  done
  # Never remove through a mount that is still there: /dev would go with it.
  if mounted; then echo "distro: $root still has mounts; left in place" >&2; else rm -rf "$root"; fi
  rm -f "$log"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

step() {  # step DESCRIPTION COMMAND...: the command's output goes to the log
  description=$1
  shift
  started=$(date +%s)
  "$@" >"$log" 2>&1 &  # waited for in the background, so that a signal ends it at once
  if wait $!; then
    echo "distro $release: $description: $(($(date +%s) - started)) s"
  else
    echo "distro $release: FAILED: $description (status $?); its failures, then its last lines:"
    grep -A 12 -E ': Failure$|^FAILED: ' "$log" | head -n 60
    tail -n 40 "$log"
    exit 1
  fi
}

command -v debootstrap >/dev/null || step "apt-get install debootstrap" \
  sh -c 'apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends debootstrap'
mirror=$(awk '/^URIs:/ && $2 ~ /debian\/?$/ { print $2; exit } /^deb / && $2 ~ /debian\/?$/ { print $2; exit }' \
  /etc/apt/sources.list.d/*.sources /etc/apt/sources.list 2>/dev/null || true)
step "debootstrap from ${mirror:=http://deb.debian.org/debian}" \
  debootstrap --variant=minbase --include=make,ca-certificates "$release" "$root" "$mirror"

mount -t proc proc "$root/proc"
mount -t sysfs sysfs "$root/sys"
mount --rbind /dev "$root/dev"
mount --make-rslave "$root/dev"
mount -t tmpfs tmpfs "$root/tmp"
cp /etc/resolv.conf "$root/etc/resolv.conf"
cp /usr/local/share/ca-certificates/*.crt "$root/usr/local/share/ca-certificates/" 2>/dev/null || true
git clone --quiet "$tree" "$root/root/pegpond"

# Only what reaching the network needs comes in from here; DISPLAY stays out.
set -- HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8
for name in http_proxy https_proxy no_proxy HTTP_PROXY HTTPS_PROXY NO_PROXY; do
  eval "value=\${$name:-}"
  [ -z "$value" ] || set -- "$@" "$name=$value"
done
inside() {  # inside COMMAND NAME=VALUE...
  what=$1
  shift
  chroot "$root" env -i "$@" sh -c "cd /root/pegpond && $what"
}
step "update-ca-certificates" inside update-ca-certificates "$@"
step "make run" inside "make run" "$@"
step "make test" inside "make test" "$@"
