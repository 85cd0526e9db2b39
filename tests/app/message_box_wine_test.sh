#!/usr/bin/env bash
# The Windows program under Wine shows its command-line errors in a real
# message box: on a virtual X display, an unknown option brings up a box
# captioned Quorvel; pressing Enter dismisses it and the program ends with
# status 1. Asked for help (/?, -?, --help) or its version, it shows them in
# a box as well and ends with status 0.
# Usage: message_box_wine_test.sh WINE_RUN PREFIX QUORVEL_EXE
set -euo pipefail
wine_run=$1 prefix=$2 program=$3
source "$(dirname "${BASH_SOURCE[0]}")/../../cmake/wine-display.sh"
wine_display_start "$wine_run" "$prefix"
wine_press_and_expect Return 1 "message box" "$program" no-such-option
for asked in '/?' '-?' --help --version; do
  wine_press_and_expect Return 0 "box for $asked" "$program" "$asked"
done
