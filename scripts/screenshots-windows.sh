#!/usr/bin/env bash
# Photographs the Windows program's main dialog and its About box, as Wine
# draws them on a virtual X display with the IPA Gothic fonts standing in for
# the dialog fonts, into docs/screenshots/windows-*.png.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

missing=()
command -v import >/dev/null || missing+=(imagemagick)
[[ -d /usr/share/wine/fonts ]] || missing+=(fonts-wine)
if ((${#missing[@]})); then
  sudo=""
  [[ $(id -u) == 0 ]] || sudo=sudo
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
cmake --preset windows-x64 >/dev/null
cmake --build --preset windows-x64 --target quorvel

source cmake/wine-display.sh
wine_display_start "$PWD/cmake/wine-run.sh" "$PWD/build/windows-x64/wineprefix-screenshots"

# Photographs the visible window named name into file.
shoot() {
  local name=$1 file=$2 window
  window=$(DISPLAY=$display timeout 60 xdotool search --sync --onlyvisible --name "$name" |
    head -n 1)
  sleep 1
  eval "$(DISPLAY=$display xdotool getwindowgeometry --shell "$window")"
  DISPLAY=$display import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$file"
  echo "$file: ${WIDTH}x${HEIGHT}"
  shot_window=$window
}

cmake/wine-run.sh "$PWD/build/windows-x64/wineprefix-screenshots" build/windows-x64/quorvel.exe &
run=$!
shoot '^Quorvel$' docs/screenshots/windows-main-dialog.png
main=$shot_window
# The system menu (a click on the caption's icon), then its last item, the
# About box. (Its mnemonic is shared with the item that Wine adds.)
DISPLAY=$display xdotool mousemove --window "$main" 10 10 click 1
sleep 0.5
DISPLAY=$display xdotool key Up Return
DISPLAY=$display xdotool mousemove 0 0
shoot '^バージョン情報$' docs/screenshots/windows-about-box.png
DISPLAY=$display xdotool key --window "$shot_window" Escape
sleep 0.5
DISPLAY=$display xdotool key --window "$main" Escape
wait $run
