#!/usr/bin/env bash
# The Windows program's dialog under Wine on a virtual X display, in a prefix
# that draws Japanese with the IPA fonts.
#   dialog_wine_test.sh WINE_RUN PREFIX tests TEST_EXE
#     runs the dialog tests (which need a display) in TEST_EXE;
#   dialog_wine_test.sh WINE_RUN PREFIX program QUORVEL_EXE
#     starts the program without arguments: its main dialog appears, Esc
#     closes it and the program ends with status 0.
set -euo pipefail
wine_run=$1 prefix=$2 mode=$3 program=$4
shift 4
source "$(dirname "${BASH_SOURCE[0]}")/../../../cmake/wine-display.sh"
wine_display_start "$wine_run" "$prefix"

if [[ $mode == tests ]]; then
  TZ=JST-9 "$wine_run" "$prefix" "$program" "$@"
  exit
fi

"$wine_run" "$prefix" "$program" &
run=$!
window=$(DISPLAY=$display timeout 60 xdotool search --sync --onlyvisible --name '^Quorvel$' |
  head -n 1) || true
if [[ -z $window ]]; then
  kill $run 2>/dev/null || true
  echo "FAIL: no main dialog appeared"
  exit 1
fi
DISPLAY=$display xdotool key --window "$window" Escape
status=0
timeout 30 tail --pid=$run -f /dev/null || { echo "FAIL: the program did not end"; exit 1; }
wait $run || status=$?
if [[ $status != 0 ]]; then
  echo "FAIL: status $status, expected 0"
  exit 1
fi
echo "the main dialog appeared, Esc closed it; status 0"
