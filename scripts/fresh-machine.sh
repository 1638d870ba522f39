#!/usr/bin/env bash
# Times the README's two commands on a fresh Debian 12: a minimal system made with debootstrap in
# a scratch folder, a clean clone of this repository in it, then scripts/demo.sh and, after it,
# scripts/test.sh (the test command installs what the demo did not). The tests run in a network
# namespace of their own, so their servers never meet this machine's test servers on 127.0.0.1.
#   scripts/fresh-machine.sh [folder]     (as root; default /tmp/quorva-fresh, made new each time)
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
root="${1:-/tmp/quorva-fresh}"
mirror="${DEBIAN_MIRROR:-http://deb.debian.org/debian}"

cleanup() {
  for m in dev proc sys; do umount -R -l "$root/$m" 2>/dev/null || true; done
}
trap cleanup EXIT
cleanup
# Never remove a folder through a mount of this machine's /dev, /proc or /sys.
if grep -q " $root/" /proc/mounts; then echo "fresh-machine: $root still has mounts in it" >&2; exit 1; fi
rm -rf --one-file-system "$root"
command -v debootstrap >/dev/null || apt-get install -y -q debootstrap
start=$(date +%s)
debootstrap --variant=minbase bookworm "$root" "$mirror" >"$root.debootstrap.log" 2>&1 ||
  { echo "fresh-machine: debootstrap failed, see $root.debootstrap.log" >&2; exit 1; }
echo "debootstrap: $(( $(date +%s) - start )) s (not counted)"
for m in proc sys dev; do mount --rbind "/$m" "$root/$m"; done
cp /etc/resolv.conf "$root/etc/resolv.conf"
git clone -q "$repo" "$root/src"

timed() {
  local name="$1"; shift
  local t0=$(date +%s)
  if "$@" >"$root.$name.log" 2>&1; then
    echo "$name: $(( $(date +%s) - t0 )) s"
  else
    echo "$name: FAILED after $(( $(date +%s) - t0 )) s, see $root.$name.log"
    return 1
  fi
}
timed demo chroot "$root" /bin/bash -c 'cd /src && scripts/demo.sh'
# The test command's packages come over the network; the tests themselves do not need it.
timed test-setup chroot "$root" /bin/bash -c 'cd /src && scripts/setup.sh'
timed test unshare --net /bin/bash -c "ip link set lo up 2>/dev/null || true; chroot '$root' /bin/bash -c 'cd /src && scripts/test.sh'"
