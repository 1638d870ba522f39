#!/usr/bin/env bash
# Sets up, builds, starts the services the tests use, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
if [ -f scripts/test-services.sh ]; then bash scripts/test-services.sh; fi
ctest --test-dir build --output-on-failure -j2
