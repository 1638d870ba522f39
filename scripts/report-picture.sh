#!/usr/bin/env bash
# Runs the demo and takes a picture of one of its reports as a browser shows it:
# docs/demo-report.png (the server-level Documents report of WEBFARM01: each site's cell spans
# its default documents).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/demo.sh >/dev/null
report=$(ls run/demo/WEBFARM01_Documents_*.html | head -n 1)
profile=$(mktemp -d)
trap 'rm -rf "$profile"' EXIT
chromium --headless --no-sandbox --disable-gpu --hide-scrollbars --user-data-dir="$profile" \
  --window-size=1000,370 --screenshot="$(pwd)/docs/demo-report.png" "file://$(pwd)/$report" 2>/dev/null
echo "docs/demo-report.png: $report"
