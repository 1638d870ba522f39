#!/usr/bin/env bash
# Installs what scripts/fuzz.sh needs beyond scripts/setup.sh: clang with libFuzzer.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
bash "$(dirname "$0")/setup.sh"
if ! dpkg-query -W -f='${Status}' clang 2>/dev/null | grep -q "install ok installed"; then
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends clang
fi
