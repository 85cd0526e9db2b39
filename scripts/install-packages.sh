#!/usr/bin/env bash
# Installs those of the named Debian packages that are missing, without their
# recommended packages unless --with-recommends comes first. Safe to run again.
#   bash scripts/install-packages.sh [--with-recommends] package...
set -euo pipefail

recommends=--no-install-recommends
if [[ ${1-} == --with-recommends ]]; then
  recommends=
  shift
fi
missing=()
for package in "$@"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
if ((${#missing[@]})); then
  sudo=""
  [[ $(id -u) == 0 ]] || sudo=sudo
  echo "installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq $recommends "${missing[@]}" >/dev/null
fi
