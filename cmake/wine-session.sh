#!/usr/bin/env bash
# The Windows tests' session under Wine:
#   wine-session.sh prepare SESSION-FOLDER WINE-RUN  after the build: the prefix
#   wine-session.sh start SESSION-FOLDER WINE-RUN   before the tests
#   wine-session.sh stop  SESSION-FOLDER WINE-RUN   after them
# start makes the Wine prefix on first use (about 15 s), starts a virtual X
# display with a window manager for the test windows, and keeps one Wine
# server (with Wine's background programs) running for the whole run. stop ends what start started; the prefix
# stays for the next run.
set -euo pipefail
action=$1
session=$(realpath -m "$2")
wine_run=$3
mkdir -p "$session"
export WINEPREFIX="$session/prefix"

stop() {
  WINEPREFIX="$WINEPREFIX" wineserver -k 2>/dev/null || true
  for name in openbox xvfb; do
    if [[ -s "$session/$name.pid" ]]; then
      kill "$(cat "$session/$name.pid")" 2>/dev/null || true
      rm -f "$session/$name.pid"
    fi
  done
  rm -f "$session/display"
}

# Makes the prefix once, complete: its registry is written when its server
# ends, so this waits for that. (CTest lists the tests, running each test
# program under Wine, before any test runs: a prefix that the first listing
# had to make could be used by the next before it is finished.)
prepare() {
  # The locales a test may run in (MOXEL_WINE_LOCALE, see wine-run.sh.in).
  if [[ ! -f "$session/locale/ja_JP.UTF-8/LC_CTYPE" ]]; then
    mkdir -p "$session/locale"
    localedef -i ja_JP -f UTF-8 "$session/locale/ja_JP.UTF-8" || true
  fi
  if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
    echo "wine-session: making the Wine prefix $WINEPREFIX"
    "$wine_run" wineboot -i </dev/null >/dev/null 2>&1
    # Menus and boxes are written in Wine's Tahoma, which has no Japanese:
    # link it to a Japanese face, as Windows links its own UI fonts.
    "$wine_run" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
      /v Tahoma /t REG_MULTI_SZ /d 'ipagp.ttf,IPAPGothic' /f </dev/null >/dev/null 2>&1
    timeout 120 wineserver -w || true
  fi
}

case "$action" in
prepare)
  prepare
  ;;
start)
  stop
  prepare
  rm -f "$session/display.new"
  exec 3>"$session/display.new"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp </dev/null >"$session/xvfb.log" 2>&1 &
  echo $! >"$session/xvfb.pid"
  exec 3>&-
  for _ in $(seq 100); do
    [[ -s "$session/display.new" ]] && break
    sleep 0.1
  done
  [[ -s "$session/display.new" ]] || { echo "wine-session: Xvfb did not start" >&2; exit 1; }
  display=$(head -n1 "$session/display.new")
  DISPLAY=":$display" openbox </dev/null >"$session/openbox.log" 2>&1 &
  echo $! >"$session/openbox.pid"
  echo "$display" >"$session/display"
  wineserver -p </dev/null >/dev/null 2>&1
  # Wine's own background programs (services, the desktop) start with the
  # first program and run until the server ends: start them here, away from
  # the output of the first test, which CTest would wait on until they end.
  "$wine_run" wineboot </dev/null >/dev/null 2>&1
  echo "wine-session: display :$display, Wine server kept running"
  ;;
stop)
  stop
  echo "wine-session: stopped"
  ;;
*)
  echo "usage: $0 prepare|start|stop SESSION-FOLDER WINE-RUN" >&2
  exit 2
  ;;
esac
