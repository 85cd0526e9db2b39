#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only those that
# are missing. Safe to run again.
set -euo pipefail

packages=(cmake ninja-build g++ libgtest-dev pkg-config qt6-base-dev qt6-translations-l10n
  fonts-ipafont-gothic xvfb xdotool x11-utils strace)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
if ((${#missing[@]})); then
  sudo=""
  [[ $(id -u) == 0 ]] || sudo=sudo
  echo "installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
fi
