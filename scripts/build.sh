#!/usr/bin/env bash
# Configures and builds into build/: the programs build/QUORVASchedule and build/quorva-nightly,
# the benchmarks and the tests.
#   scripts/build.sh --programs                      the two programs only (what running needs)
#   scripts/build.sh [folder [cmake options...]]     another build folder with options of its own
set -euo pipefail
cd "$(dirname "$0")/.."
targets=()
if [ "${1:-}" = "--programs" ]; then
  targets=(--target QUORVASchedule quorva-nightly)
  shift
fi
dir="${1:-build}"
shift || true
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$dir" -j2 "${targets[@]}"
