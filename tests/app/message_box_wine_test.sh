#!/usr/bin/env bash
# The Windows program under Wine shows its command-line errors in a real
# message box: on a virtual X display, an unknown option brings up a box
# captioned Quorvel; pressing Enter dismisses it and the program ends with
# status 1.
# Usage: message_box_wine_test.sh WINE_RUN PREFIX QUORVEL_EXE
set -euo pipefail
wine_run=$1 prefix=$2 program=$3

display=
for number in $(seq 81 99); do
  if [[ ! -e /tmp/.X11-unix/X$number ]]; then display=:$number; break; fi
done
[[ -n $display ]] || { echo "no free X display"; exit 1; }
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; wait $xvfb 2>/dev/null || true' EXIT
for _ in $(seq 50); do [[ -e /tmp/.X11-unix/X${display#:} ]] && break; sleep 0.1; done

# Wine's desktop belongs to its server: one left running by earlier tests has
# no display, so start afresh, and leave none bound to this display behind.
stop_wine() { WINEPREFIX=$prefix /usr/lib/wine/wineserver -k 2>/dev/null || true
              WINEPREFIX=$prefix /usr/lib/wine/wineserver -w 2>/dev/null || true; }
stop_wine
trap 'stop_wine; kill $xvfb 2>/dev/null; wait $xvfb 2>/dev/null || true' EXIT

QUORVEL_WINE_DISPLAY=$display "$wine_run" "$prefix" "$program" no-such-option &
run=$!

window=$(DISPLAY=$display timeout 60 xdotool search --sync --onlyvisible --name '^Quorvel$' |
  head -n 1) || true
if [[ -z $window ]]; then
  kill $run 2>/dev/null || true
  echo "FAIL: no message box appeared"
  exit 1
fi
DISPLAY=$display xdotool key --window "$window" Return

status=0
timeout 30 tail --pid=$run -f /dev/null || { echo "FAIL: the program did not end"; exit 1; }
wait $run || status=$?
if [[ $status != 1 ]]; then
  echo "FAIL: status $status, expected 1"
  exit 1
fi
echo "the message box appeared and was dismissed; status 1"
