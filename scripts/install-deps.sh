#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only those that
# are missing. Safe to run again.
set -euo pipefail

packages=(cmake ninja-build g++ libgtest-dev pkg-config qt6-base-dev qt6-translations-l10n
  fonts-ipafont-gothic xvfb xdotool x11-utils strace python3 chromium)
bash "$(dirname "${BASH_SOURCE[0]}")/install-packages.sh" --with-recommends "${packages[@]}"
