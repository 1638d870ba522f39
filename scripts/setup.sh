#!/usr/bin/env bash
# Installs the Debian packages the programs need, and with them what the tests need.
#   scripts/setup.sh         everything: building and running the programs, and every test
#   scripts/setup.sh --run   only what building and running the two programs needs (the demo)
# Safe to run again: apt-get skips what is already there.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

RUN_PACKAGES=(
  build-essential cmake pkg-config
  libsqlite3-dev sqlite3
  libpugixml-dev
  # The run journal Log/QUORVARun.jsonl, written by QUORVASchedule and read by quorva-nightly.
  nlohmann-json3-dev
  qt6-base-dev libgl-dev
  # Text in the status window and in printed reports.
  fonts-dejavu-core
  # quorva-nightly fetch copies snapshots with OpenSSH's sftp and Samba's smbclient.
  openssh-client smbclient
)
TEST_PACKAGES=(
  libgtest-dev
  cups cups-client cups-bsd printer-driver-cups-pdf poppler-utils
  xvfb xauth x11-apps imagemagick
  # The test display's window manager, and the core fonts it draws window captions with.
  twm xfonts-base
  # A real browser (headless) opens the HTML reports and pages in the tests.
  chromium
  # systemd-analyze verify checks the shipped units in contrib/systemd/.
  systemd
  # The fetch tests fetch from a real OpenSSH server and a real Samba server on 127.0.0.1
  # (never port 22 or 445); ss (iproute2) tells when they listen.
  openssh-server samba iproute2
)

PACKAGES=("${RUN_PACKAGES[@]}")
if [ "${1:-}" != "--run" ]; then PACKAGES+=("${TEST_PACKAGES[@]}"); fi

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
