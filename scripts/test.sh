#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test: in the release
# build, under AddressSanitizer and UndefinedBehaviorSanitizer, and (without
# the dialog) under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

bash scripts/install-deps.sh
for preset in linux linux-asan linux-tsan; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done
