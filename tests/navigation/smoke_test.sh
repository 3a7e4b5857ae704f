#!/usr/bin/env bash
# Starts the real program under a virtual X server with a fresh HOME and
# APPDATA, waits for its main window, closes it with SIGTERM (which the
# program takes as a normal close), and checks that it ended with status 0
# after writing its settings file and the day's folders.
#   smoke_test.sh <path of PlovanHX>
set -euo pipefail

if [ "${1:-}" = "--inside" ]; then
  exe="$2"
  "$exe" >"$WORK/program.log" 2>&1 &
  pid=$!
  found=""
  for _ in $(seq 1 300); do
    if ! kill -0 "$pid" 2>/dev/null; then
      echo "the program ended before its main window appeared"; cat "$WORK/program.log"; exit 1
    fi
    if xwininfo -root -tree 2>/dev/null | grep -q '"Plovan Olcum Masasi - "'; then
      found=yes; break
    fi
    sleep 0.1
  done
  if [ -z "$found" ]; then
    echo "no main window after 30 s"; kill -KILL "$pid"; cat "$WORK/program.log"; exit 1
  fi
  sleep 0.5
  kill -TERM "$pid"
  status=0
  for _ in $(seq 1 200); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then
    echo "the program did not end within 20 s of SIGTERM"; kill -KILL "$pid"; exit 1
  fi
  wait "$pid" || status=$?
  if [ "$status" -ne 0 ]; then
    echo "exit status $status"; cat "$WORK/program.log"; exit 1
  fi
  exit 0
fi

exe="$(realpath "$1")"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
export WORK
export HOME="$WORK/home" APPDATA="$WORK/appdata"
mkdir -p "$HOME" "$APPDATA"
unset XDG_CONFIG_HOME QT_QPA_PLATFORM WAYLAND_DISPLAY DISPLAY
xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" --inside "$exe"

ini="$APPDATA/Plovan/PHX/PlovanHX.ini"
[ -f "$ini" ] || { echo "no settings file $ini"; exit 1; }
grep -q '^\[FNav\]' "$ini" || { echo "no main window placement in the settings file"; cat "$ini"; exit 1; }
grep -q '^Width=' "$ini" || { echo "no window width in the settings file"; cat "$ini"; exit 1; }
days=("$HOME"/VLM/[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9])
[ -d "${days[0]}" ] || { echo "no day folder below $HOME/VLM"; exit 1; }
for sub in VLM LOG XYZ SVP JPG MP4; do
  [ -d "${days[0]}/$sub" ] || { echo "no $sub folder in ${days[0]}"; exit 1; }
done
echo "main window shown and closed; settings file and day folders written"
