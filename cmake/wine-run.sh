#!/bin/sh
# Runs a Windows program under Wine's 64-bit loader: wine-run.sh PREFIX PROGRAM
# [ARGUMENT...]. PREFIX is the Wine prefix, made on first use. The ANSI code
# page is 932 (a Japanese locale), Wine's own diagnostics are off, and no X
# display is handed on unless QUORVEL_WINE_DISPLAY names one, so that a
# message box can never wait for a click.
set -e
prefix=$1
shift
mkdir -p "$prefix"
export WINEPREFIX="$prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
unset DISPLAY WAYLAND_DISPLAY
if [ -n "${QUORVEL_WINE_DISPLAY:-}" ]; then export DISPLAY="$QUORVEL_WINE_DISPLAY"; fi
# A server that outlives each program by a few seconds makes the next start
# take a tenth of a second instead of one. Wine's own background programs
# live as long as the server: they are started here, by a program that does
# nothing, so that they never hold the caller's output open (a test runner
# would wait for them). Both do nothing when they are running already.
/usr/lib/wine/wineserver -p5 </dev/null >/dev/null 2>&1 || true
/usr/lib/wine/wine64 cmd.exe /c exit </dev/null >/dev/null 2>&1 || true
exec /usr/lib/wine/wine64 "$@"
