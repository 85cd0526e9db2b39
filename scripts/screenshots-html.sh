#!/usr/bin/env bash
# Writes the html report of docs/sample-tree and takes a picture of it in
# headless Chromium (Debian's chromium) into docs/screenshots/html-report.png.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

cmake --preset linux >/dev/null
cmake --build --preset linux --target quorvel
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
TZ=JST-9 build/linux/quorvel in docs/sample-tree/ out "$work/sample.html" html s t a du f
chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
  --disable-background-networking --disable-component-update --disable-sync \
  --user-data-dir="$work/profile" --hide-scrollbars --window-size=720,250 \
  --screenshot="$PWD/docs/screenshots/html-report.png" "file://$work/sample.html" 2>/dev/null
ls -l docs/screenshots/html-report.png
