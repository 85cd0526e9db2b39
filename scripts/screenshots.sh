#!/usr/bin/env bash
# Renders the main dialog, the About box, the overwrite question and the save
# picker from the real widgets (on Qt's offscreen platform) into
# docs/screenshots.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

cmake --preset linux >/dev/null
cmake --build --preset linux --target quorvel_ui_tests
QT_QPA_PLATFORM=offscreen QUORVEL_SCREENSHOTS="$PWD/docs/screenshots" LANG=ja_JP.UTF-8 \
  build/linux/tests/quorvel_ui_tests \
  --gtest_filter='MainDialogTest.OpensWithItsInitialState:MainDialogTest.AboutBox*:MainDialogTest.QuestionBoxes*:MainDialogTest.TheSavePicker*'
ls docs/screenshots
