#!/usr/bin/env bash
# Installs what is missing, builds the 32-bit and the 64-bit Windows programs
# with mingw-w64 and runs every test of the 64-bit one under Wine. Safe to run
# again.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

# Wine without its 32-bit half: this kind of machine runs no 32-bit code.
# The dialog tests draw Japanese with the IPA Gothic fonts, and window frames
# with the fonts that Wine brings.
packages=(cmake ninja-build googletest g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
          wine wine64 locales xvfb xdotool fonts-ipafont-gothic
          fonts-wine)
bash scripts/install-packages.sh "${packages[@]}"
sudo=""
[[ $(id -u) == 0 ]] || sudo=sudo
# Wine takes its ANSI code page, 932, from a Japanese locale.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  $sudo sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen
  $sudo locale-gen >/dev/null
fi

for preset in windows-x86 windows-x64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done
ctest --preset windows-x64
