#!/usr/bin/env bash
# Runs the demo through quorva-nightly and takes a picture of the run's page as a browser shows
# it at 1,400 pixels: docs/demo-run.png.
set -euo pipefail
cd "$(dirname "$0")/.."
status=0
bash scripts/demo.sh >/dev/null || status=$?
page=$(ls -t run/demo/Runs/20*.html | head -n 1)
profile=$(mktemp -d)
trap 'rm -rf "$profile"' EXIT
chromium --headless --no-sandbox --disable-gpu --hide-scrollbars --user-data-dir="$profile" \
  --window-size=1400,1500 --screenshot="$(pwd)/docs/demo-run.png" "file://$(pwd)/$page" 2>/dev/null
echo "docs/demo-run.png: $page (quorva-nightly run ended with exit status $status)"
