#!/usr/bin/env bash
# Configures and builds everything into build/ (the program is build/QUORVASchedule).
#   scripts/build.sh [folder [cmake options...]]   another build folder with options of its own
set -euo pipefail
cd "$(dirname "$0")/.."
dir="${1:-build}"
shift || true
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$dir" -j2
