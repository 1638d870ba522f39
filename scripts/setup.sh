#!/usr/bin/env bash
# Installs every Debian package the program, its tests and its demo need.
# Safe to run again: apt-get skips what is already there.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

PACKAGES=(
  build-essential cmake pkg-config
  libsqlite3-dev sqlite3
  libpugixml-dev
  qt6-base-dev libgl-dev
  libgtest-dev
  cups cups-client cups-bsd printer-driver-cups-pdf poppler-utils
  xvfb xauth x11-apps imagemagick
  # The test display's window manager, and the core fonts it draws window captions with.
  twm xfonts-base
  # Text in the status window and in printed reports.
  fonts-dejavu-core
  # A real browser (headless) opens the HTML reports in the tests.
  chromium
  # quorva-nightly fetch copies snapshots with OpenSSH's sftp and Samba's smbclient; the tests
  # fetch from a real OpenSSH server and a real Samba server on 127.0.0.1 (never port 22 or 445).
  openssh-client openssh-server samba smbclient
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
