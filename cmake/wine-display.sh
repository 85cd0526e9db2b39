# Sourced by the scripts that show the Windows program's windows under Wine:
# wine_display_start WINE_RUN PREFIX starts Xvfb on a display it picks
# itself (in $display), gives the prefix a fresh Wine server bound to it, and makes the
# prefix draw Japanese: "ＭＳ Ｐゴシック" and "ＭＳ ゴシック" are replaced by the IPA
# Gothic fonts, and Wine draws its own window frames (there is no window
# manager). wine_display_stop ends both; it is set as the EXIT trap.

wine_display_stop() {
  WINEPREFIX=$wine_prefix /usr/lib/wine/wineserver -k 2>/dev/null || true
  WINEPREFIX=$wine_prefix /usr/lib/wine/wineserver -w 2>/dev/null || true
  if [[ -n ${wine_xvfb:-} ]]; then kill "$wine_xvfb" 2>/dev/null; wait "$wine_xvfb" 2>/dev/null; fi
  true
}

wine_display_start() {
  wine_run=$1 wine_prefix=$2
  # With -displayfd Xvfb takes the first free display and writes its number
  # and a line end once it accepts clients, so that runs started at once
  # never share a display.
  local number_file number=
  number_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
  wine_xvfb=$!
  trap wine_display_stop EXIT
  for _ in $(seq 100); do
    read -r number <"$number_file" && break
    kill -0 "$wine_xvfb" 2>/dev/null || break
    sleep 0.1
  done
  rm -f "$number_file"
  [[ -n $number ]] || { echo "Xvfb did not start"; return 1; }
  display=:$number
  # Wine's desktop belongs to its server: one left running by earlier runs
  # has no display.
  WINEPREFIX=$wine_prefix /usr/lib/wine/wineserver -k 2>/dev/null || true
  WINEPREFIX=$wine_prefix /usr/lib/wine/wineserver -w 2>/dev/null || true
  export QUORVEL_WINE_DISPLAY=$display
  local key='HKCU\Software\Wine\Fonts\Replacements'
  "$wine_run" "$wine_prefix" reg add "$key" /v 'ＭＳ Ｐゴシック' /t REG_SZ /d IPAPGothic /f >/dev/null
  "$wine_run" "$wine_prefix" reg add "$key" /v 'ＭＳ ゴシック' /t REG_SZ /d IPAGothic /f >/dev/null
  "$wine_run" "$wine_prefix" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ \
    /d N /f >/dev/null
}

# wine_press_and_expect KEY STATUS WHAT PROGRAM [ARGUMENT...] starts PROGRAM
# in the prefix, waits for its visible window captioned Quorvel (WHAT names it
# in messages), presses KEY in it and checks that the program ends with STATUS.
wine_press_and_expect() {
  local key=$1 expected=$2 what=$3
  shift 3
  "$wine_run" "$wine_prefix" "$@" &
  local run=$!
  local window
  window=$(DISPLAY=$display timeout 60 xdotool search --sync --onlyvisible --name '^Quorvel$' |
    head -n 1) || true
  if [[ -z $window ]]; then
    kill $run 2>/dev/null || true
    echo "FAIL: no $what appeared"
    return 1
  fi
  DISPLAY=$display xdotool key --window "$window" "$key"
  local status=0
  timeout 30 tail --pid=$run -f /dev/null || { echo "FAIL: the program did not end"; return 1; }
  wait $run || status=$?
  if [[ $status != "$expected" ]]; then
    echo "FAIL: status $status, expected $expected"
    return 1
  fi
  echo "the $what appeared, $key dismissed it; status $status"
}
