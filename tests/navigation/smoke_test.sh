#!/usr/bin/env bash
# Starts the real program under a virtual X server with a fresh HOME and
# APPDATA, waits for its main window, closes it with SIGTERM (which the
# program takes as a normal close), and checks that it ended with status 0
# after writing its settings file and the day's folders. Then:
# - a stored placement of 1300 x 850 at (100, 80) comes back exactly at three
#   starts in a row, as the settings file and the X server (xwininfo, xprop)
#   see it, and the stored view stays as it was;
# - stored placements that do not fit the screen come back on it;
# - after a start that opens only what the program shows by itself, and at
#   three restarts, the program with its tour of the windows
#   (navigation_window_tour) opens every window the menus open and the
#   two the survey brings up by itself, closes and opens them, has them moved
#   and closed and opened once more: no window but the main window is ever over
#   its menu bar or tool bars; every window comes back to the pixel where it
#   was within a run, and at the next start where the last run left it (a
#   window that keeps its placement in the settings file) or where it opened at
#   the first start (one that does not).
#   smoke_test.sh <path of PlovanHX> <path of navigation_window_tour> [openbox]
# With "openbox" the program runs under that reparenting window manager, whose
# frame the window must not gain from one start to the next.
set -euo pipefail

SCREEN_W=1920
SCREEN_H=1080
# The caption: this prefix, then the last saved project (none at the first
# start, the close's auto-save at every later one).
CAPTION='Plovan Olcum Masasi - '

# The id of the main window, or nothing while there is none. The tree goes
# into a variable first: under pipefail "xwininfo | grep -q" fails whenever
# grep stops reading early and xwininfo dies of SIGPIPE on its next write,
# which a tree of several kilobytes (many windows, a window manager's frames)
# makes nearly certain, so the window is never seen.
main_window() {
  local tree line
  tree="$(xwininfo -root -tree 2>/dev/null)" || true
  while read -r line; do
    if [[ "$line" == *"\"$CAPTION"* ]]; then
      echo "${line%% *}"; return 0
    fi
  done <<<"$tree"
}

# "left top width height" of window $1: the corner of its frame (the client's
# corner less the frame extents that a window manager announces) and the size
# of its client area; nothing while it is not mapped, or not framed yet under
# a window manager.
window_geometry() {
  local info extents
  info="$(xwininfo -id "$1" 2>/dev/null)" || return 0
  [[ "$info" == *"Map State: IsViewable"* ]] || return 0
  extents="$(xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null)" || true
  extents="$(sed -n 's/.*= *//p' <<<"$extents" | tr -d ,)"
  [ -z "$WM" ] || [ -n "$extents" ] || return 0
  awk -v extents="${extents:-0 0 0 0}" '
    /Absolute upper-left X/ {x = $NF} /Absolute upper-left Y/ {y = $NF}
    /Width:/ {w = $NF} /Height:/ {h = $NF}
    END {split(extents, e, " "); print x - e[1], y - e[3], w, h}' <<<"$info"
}

# One start: waits for the main window, records where the X server has it
# (window_geometry) in $WORK/xgeometry, closes it.
run_once() {
  local exe="$1"
  "$exe" >"$WORK/program.log" 2>&1 &
  local pid=$! window="" status=0 deadline=$((SECONDS + 90))
  while [ "$SECONDS" -lt "$deadline" ]; do
    if ! kill -0 "$pid" 2>/dev/null; then
      echo "the program ended before its main window appeared"; cat "$WORK/program.log"; return 1
    fi
    window="$(main_window)"
    [ -n "$window" ] && break
    sleep 0.1
  done
  if [ -z "$window" ]; then
    echo "no main window after 90 s; the named windows on the screen:"
    xwininfo -root -tree 2>&1 | grep '"' || true
    kill -KILL "$pid"; cat "$WORK/program.log"; return 1
  fi
  # A window manager frames and places the window after it appeared, and the
  # program may fit it to the screen once more then: the geometry counts once
  # the window is mapped, framed (under a window manager) and has kept still
  # for a second, however slow the machine.
  local geometry="" last="" settle=$((SECONDS + 60))
  while [ "$SECONDS" -lt "$settle" ]; do
    sleep 1
    geometry="$(window_geometry "$window")"
    [ -n "$geometry" ] && [ "$geometry" = "$last" ] && break
    last="$geometry"
  done
  echo "$geometry" >"$WORK/xgeometry"
  kill -TERM "$pid"
  local ending=$((SECONDS + 60))
  while [ "$SECONDS" -lt "$ending" ] && kill -0 "$pid" 2>/dev/null; do
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then
    echo "the program did not end within 60 s of SIGTERM"; kill -KILL "$pid"; return 1
  fi
  wait "$pid" || status=$?
  if [ "$status" -ne 0 ]; then
    echo "exit status $status"; cat "$WORK/program.log"; return 1
  fi
}

# Value of key $2 in section $1 of the settings file.
ini_value() {
  awk -v section="[$1]" -v key="$2" '
    {sub(/\r$/, "")}
    /^\[/ {inside = ($0 == section); next}
    inside && index($0, key "=") == 1 {print substr($0, length(key) + 2); exit}' "$INI"
}

# Replaces section $1 of the settings file by the key=value lines that
# follow (the file's lines end in CR LF).
set_section() {
  local section="$1"; shift
  awk -v section="[$section]" '
    {line = $0; sub(/\r$/, "", line)}
    line ~ /^\[/ {skip = (line == section)} !skip' "$INI" >"$INI.new"
  printf '%s\r\n' "[$section]" "$@" >>"$INI.new"
  mv "$INI.new" "$INI"
}

placement() {
  echo "$(ini_value FNav Left) $(ini_value FNav Top) $(ini_value FNav Width) $(ini_value FNav Height)"
}

view() {
  local key
  for key in PlanWorldLeft PlanWorldRight PlanWorldTop PlanWorldBottom; do
    printf '%s ' "$(ini_value CANVAS "$key")"
  done
}

# The windows the tour must find on the screen at every step.
TOUR_WINDOWS="FNav Navset Offsets fJoystick FMsg fWaterfal fRealtime fTheme fSVP
  frmNTRIPSettings fRunline1 FGPS FShape fLatency fTranslationEditor formAbout"

# Lines "<name> <frame left top width height> <client width height>" of step
# $2 in the tour's report $1, by name.
tour_step() {
  awk -v step="$2" '$1 == step {$1 = ""; sub(/^ /, ""); print}' "$1" | LC_ALL=C sort
}

# One start of the tour: report in $WORK/tour$1.txt, settings file kept as
# $WORK/tour$1.ini.
tour_once() {
  local tour="$1" run="$2" status=0
  local report="$WORK/tour$run.txt"
  timeout 300 "$tour" "$report" ${WM:+--window-manager} >"$WORK/tour.log" 2>&1 || status=$?
  if [ "$status" -ne 0 ]; then
    echo "tour start $run: exit status $status"; cat "$WORK/tour.log"; return 1
  fi
  cp "$INI" "$WORK/tour$run.ini"
  if grep -qE '^(unsettled|missing)' "$report"; then
    echo "tour start $run:"; grep -E '^(unsettled|missing)' "$report"; return 1
  fi
  local step name
  for step in open reopen moved back; do
    for name in $TOUR_WINDOWS; do
      tour_step "$report" "$step" | grep -q "^$name " ||
        { echo "tour start $run, $step: no window $name"; cat "$report"; return 1; }
    done
  done
  # Nothing but the main window over the menu bar or the tool bars.
  local over
  over="$(awk '$1 == "bars" {
                 for (i = 1; i <= n; ++i) {
                   split(window[i], w, " ")
                   if (w[2] != "FNav" && w[3] < $2 + $4 && w[3] + w[5] > $2 &&
                       w[4] < $3 + $5 && w[4] + w[6] > $3)
                     print w[1], w[2], "at", w[3], w[4], w[5] "x" w[6], "over the bars at", $2, $3, $4 "x" $5
                 }
                 n = 0; next}
               NF == 8 {window[++n] = $0}' "$report")"
  [ -z "$over" ] || { echo "tour start $run:"; echo "$over"; return 1; }
  # Within the run: closed and opened again, every window where it was; a
  # window moved by the surveyor comes back where it was moved to.
  if [ "$(tour_step "$report" open)" != "$(tour_step "$report" reopen)" ]; then
    echo "tour start $run: closed and opened again, windows moved:"
    diff <(tour_step "$report" open) <(tour_step "$report" reopen); return 1
  fi
  if [ "$(tour_step "$report" moved)" != "$(tour_step "$report" back)" ]; then
    echo "tour start $run: moved, closed and opened again, windows elsewhere:"
    diff <(tour_step "$report" moved) <(tour_step "$report" back); return 1
  fi
  local dragged
  dragged="$(LC_ALL=C join <(tour_step "$report" reopen) <(tour_step "$report" moved) |
             awk '$1 != "FNav" && ($8 != $2 + 24 || $9 != $3 + 16) {print $1, "from", $2, $3, "to", $8, $9}')"
  [ -z "$dragged" ] || { echo "tour start $run: not moved by 24, 16 as dragged:"; echo "$dragged"; return 1; }
}

# A start in which the surveyor opens nothing but what the program shows by
# itself (its close saves the placement of every window it has), then the
# tour, then three restarts: each start opens every window where the last one
# left it when the settings file keeps its placement, else where it opened at
# the tour's first start.
tour() {
  local exe="$1" tour="$2" run name expected
  export HOME="$WORK/tour-home" APPDATA="$WORK/tour-appdata"
  INI="$APPDATA/Plovan/PHX/PlovanHX.ini"
  mkdir -p "$HOME" "$APPDATA"
  run_once "$exe"
  for run in 1 2 3 4; do
    tour_once "$tour" "$run"
    [ "$run" -gt 1 ] || continue
    for name in $TOUR_WINDOWS; do
      if grep -q "^\[$name\]" "$WORK/tour$((run - 1)).ini"; then
        expected="$(tour_step "$WORK/tour$((run - 1)).txt" back | grep "^$name ")"
      else
        expected="$(tour_step "$WORK/tour1.txt" open | grep "^$name ")"
      fi
      if [ "$(tour_step "$WORK/tour$run.txt" open | grep "^$name ")" != "$expected" ]; then
        echo "tour start $run: $(tour_step "$WORK/tour$run.txt" open | grep "^$name "), expected $expected"
        return 1
      fi
    done
  done
}

# Starts openbox and waits until it manages the screen, as long as it runs
# (a loaded machine may take many seconds); fails when it ends first or is
# not there after 120 s.
start_openbox() {
  openbox --sm-disable >>"$WORK/openbox.log" 2>&1 &
  local openbox=$! deadline=$((SECONDS + 120))
  while [ "$SECONDS" -lt "$deadline" ]; do
    [[ "$(xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null)" == *"window id"* ]] && return 0
    kill -0 "$openbox" 2>/dev/null || return 1
    sleep 0.1
  done
  kill "$openbox" 2>/dev/null
  return 1
}

inside() {
  local exe="$1" tour="$2" wm="$3"
  WM="$wm"
  if [ "$wm" = openbox ]; then
    xprop -root >/dev/null || { echo "cannot open the display $DISPLAY"; return 1; }
    start_openbox || { echo "openbox did not start"; cat "$WORK/openbox.log"; return 1; }
  fi

  # First start, no settings file.
  run_once "$exe"
  [ -f "$INI" ] || { echo "no settings file $INI"; return 1; }
  grep -q '^\[FNav\]' "$INI" || { echo "no main window placement in the settings file"; cat "$INI"; return 1; }
  grep -q '^Width=' "$INI" || { echo "no window width in the settings file"; cat "$INI"; return 1; }
  local days=("$HOME"/VLM/[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9])
  [ -d "${days[0]}" ] || { echo "no day folder below $HOME/VLM"; return 1; }
  local sub
  for sub in VLM LOG XYZ SVP JPG MP4; do
    [ -d "${days[0]}/$sub" ] || { echo "no $sub folder in ${days[0]}"; return 1; }
  done
  # The close auto-saved the drawing and the settings point at it.
  local saved=("${days[0]}"/VLM/*.vlm)
  [ -f "${saved[0]}" ] || { echo "no auto-saved project in ${days[0]}/VLM"; return 1; }
  [ "$(ini_value FILE 'Last File Saved       ')" = "${saved[-1]}" ] ||
    { echo "Last File Saved is '$(ini_value FILE 'Last File Saved       ')', not ${saved[-1]}"; return 1; }

  # The stored size and position come back exactly, start after start, and
  # so does the view.
  set_section FNav WindowState=0 Left=100 Top=80 Width=1300 Height=850
  local run first_view=""
  for run in 1 2 3; do
    run_once "$exe"
    if [ "$(placement)" != "100 80 1300 850" ]; then
      echo "start $run: stored placement $(placement), expected 100 80 1300 850"; return 1
    fi
    if [ "$(cat "$WORK/xgeometry")" != "100 80 1300 850" ]; then
      echo "start $run: window at $(cat "$WORK/xgeometry") on the screen, expected 100 80 1300 850"
      return 1
    fi
    [ -n "$first_view" ] || first_view="$(view)"
    if [ "$(view)" != "$first_view" ]; then
      echo "start $run: the view moved from $first_view to $(view)"; return 1
    fi
  done

  # Placements that do not fit the screen come back on it, are stored so, and
  # stay so at the next start.
  local stored healed
  for stored in "Left=10 Top=10 Width=100000 Height=100000" "Left=10 Top=10 Width=800 Height=-300" \
                "Left=10 Top=10 Width=0 Height=0" "Left=1590 Top=990 Width=800 Height=600" \
                "Left=-50 Top=5000 Width=800 Height=600"; do
    # shellcheck disable=SC2086
    set_section FNav WindowState=0 $stored
    run_once "$exe"
    healed="$(placement)"
    read -r left top width height <<<"$healed"
    if ((left < 0 || top < 0 || width < 320 || height < 240 ||
         left + width > SCREEN_W || top + height > SCREEN_H)); then
      echo "stored $stored: came back as $healed on a ${SCREEN_W}x$SCREEN_H screen"
      return 1
    fi
    if [ "$(cat "$WORK/xgeometry")" != "$healed" ]; then
      echo "stored $stored: stored as $healed, on the screen at $(cat "$WORK/xgeometry")"; return 1
    fi
    run_once "$exe"
    if [ "$(placement)" != "$healed" ]; then
      echo "stored $stored: came back as $healed, then as $(placement)"; return 1
    fi
  done

  tour "$exe" "$tour"
}

if [ "${1:-}" = "--inside" ]; then
  inside "$2" "$3" "$4"
  exit
fi

exe="$(realpath "$1")"
tour="$(realpath "$2")"
wm="${3:-}"
WORK="$(mktemp -d)"
XSERVER=""
trap '[ -z "$XSERVER" ] || kill "$XSERVER" 2>/dev/null; rm -rf "$WORK"' EXIT
export WORK
export HOME="$WORK/home" APPDATA="$WORK/appdata"
export INI="$APPDATA/Plovan/PHX/PlovanHX.ini"
mkdir -p "$HOME" "$APPDATA"
unset XDG_CONFIG_HOME QT_QPA_PLATFORM WAYLAND_DISPLAY DISPLAY XAUTHORITY

# The X server picks a free display number itself, one whose sockets it can
# take, and writes it to fd 3 once it takes connections; no cookie is needed
# on a server only local clients can reach. It never resets: a server resets
# when its last client goes, and drops a client that connects meanwhile (an
# xprop or xwininfo of this script ending as openbox or the program starts),
# which then cannot open the display.
Xvfb -displayfd 3 -nolisten tcp -noreset -screen 0 "${SCREEN_W}x${SCREEN_H}x24" \
  3>"$WORK/display" >"$WORK/xvfb.log" 2>&1 &
XSERVER=$!
# read fails until the whole line (number and newline) is there.
number=""
for _ in $(seq 1 600); do
  IFS= read -r number <"$WORK/display" && break
  number=""
  kill -0 "$XSERVER" 2>/dev/null || break
  sleep 0.1
done
[ -n "$number" ] || { echo "the X server did not start"; cat "$WORK/xvfb.log"; exit 1; }
DISPLAY=":$number" bash "$0" --inside "$exe" "$tour" "$wm"
echo "main window shown and closed; settings file and day folders written; placement kept;" \
     "every window clear of the bars and back in its place${wm:+ under $wm}"
