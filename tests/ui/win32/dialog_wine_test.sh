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

wine_press_and_expect Escape 0 "main dialog" "$program"
