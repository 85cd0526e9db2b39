#!/usr/bin/env bash
# Installs what is missing, builds quorvel and lists the sample tree shipped
# in docs/sample-tree, printing the report converted to UTF-8.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

bash scripts/install-deps.sh
cmake --preset linux >/dev/null
cmake --build --preset linux --target quorvel
report=build/linux/sample-report.txt
build/linux/quorvel in docs/sample-tree/ out "$report" s t a
iconv -f CP932 -t UTF-8 "$report" | tr -d '\r'
