#!/usr/bin/env bash
# Renders the main dialog, the About box and a question box from the real
# widgets (on Qt's offscreen platform) into docs/screenshots.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

cmake --preset linux >/dev/null
cmake --build --preset linux --target quorvel_ui_tests
QT_QPA_PLATFORM=offscreen QUORVEL_SCREENSHOTS="$PWD/docs/screenshots" LANG=C.UTF-8 \
  build/linux/tests/quorvel_ui_tests \
  --gtest_filter='MainDialogTest.OpensWithItsInitialState:MainDialogTest.AboutBox*:MainDialogTest.RealMessageBoxes*'
ls docs/screenshots
