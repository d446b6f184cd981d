# Shared by the end-to-end tests: start the real viewer under Wine in the current $DISPLAY,
# find its window, drive it with xdotool, take screenshots, wait for its exit code.
# Needs BUILD_DIR (the build folder: the viewer's working directory) and DISPLAY.
set -uo pipefail

BUILD_DIR=${BUILD_DIR:?BUILD_DIR must name the build folder}
PREFIX=${PREFIX:-$BUILD_DIR/wineprefix}
SCRIPTS=${SCRIPTS:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../../scripts" && pwd)}
SHOTS=${SHOTS:-$BUILD_DIR/screenshots}
E2E_OUT=${E2E_OUT:-$BUILD_DIR/e2e}
VIEWER_EXE=${VIEWER_EXE:-$BUILD_DIR/tidewater.exe}
mkdir -p "$SHOTS" "$E2E_OUT"
# Start on a wineserver of our own: the previous test's may still be ending.
"$SCRIPTS/stop-wineserver" "$PREFIX"
VIEWER_PID=""
VIEWER_WINDOW=""
FAILURES=0

fail() { echo "FAIL: $*"; FAILURES=$((FAILURES + 1)); }
pass() { echo "ok: $*"; }

# start_viewer NAME [dir [arguments]]: runs $VIEWER_EXE from dir (default BUILD_DIR); stdout to
# $E2E_OUT/NAME.out. The start is kept for wait_window's retry.
start_viewer() {
  local name=$1 dir=${2:-$BUILD_DIR}
  VIEWER_NAME=$name VIEWER_DIR=$dir VIEWER_ARGS=("${@:3}")
  VIEWER_OUT=$E2E_OUT/$name.out
  (cd "$dir" && exec "$SCRIPTS/wine-run" "$PREFIX" "$VIEWER_EXE" "${@:3}" >"$VIEWER_OUT" 2>"$E2E_OUT/$name.err") &
  VIEWER_PID=$!
}

# content_files: every content file the viewer reads ("Content/..."), each once.
content_files() {
  grep -o '"\./Content/[^"]*"' "$SCRIPTS/../content/content_paths.h" | tr -d '"' | sed 's#^\./##' | awk '!seen[$0]++'
}

# poll SECONDS COMMAND...: tries COMMAND every tenth of a second until it holds; false after
# SECONDS, or at once when the viewer has ended.
poll() {
  local end=$((SECONDS + $1))
  shift
  until "$@"; do
    ((SECONDS < end)) && kill -0 "$VIEWER_PID" 2>/dev/null || return 1
    sleep 0.1
  done
}

# find_window TITLE [seconds]: prints the id of the first window with that exact title.
find_window() {
  poll "${2:-30}" titled "$1"
}
titled() { xdotool search --name "^$1\$" 2>/dev/null | head -1 | grep .; }

# open_about: Help > About from the keyboard; sets ABOUT to the box's window (false if none).
open_about() {
  focus_viewer
  xdotool key alt+h; sleep 0.7; xdotool key Return
  ABOUT=$(find_window About 10)
}

# about_closed: true once no window titled About is left (within 5 s).
about_closed() {
  poll 5 eval '! titled About >/dev/null'
}

# wait_window [seconds]: sets VIEWER_WINDOW to the viewer's main window; when none comes, shows
# what the viewer said (a failure far away, on CI, can be read from the output). A start that
# ended before any window is tried once more: Wine has been seen, rarely and under load, to end a
# start that early; a viewer that cannot start fails twice.
wait_window() {
  local seconds=${1:-30}
  VIEWER_WINDOW=$(find_window Tidewater "$seconds") && return 0
  show_viewer_output
  kill -0 "$VIEWER_PID" 2>/dev/null && return 1
  echo "note: the viewer ended before showing a window; starting it once more"
  "$SCRIPTS/stop-wineserver" "$PREFIX"
  start_viewer "$VIEWER_NAME" "$VIEWER_DIR" "${VIEWER_ARGS[@]}" </dev/null
  VIEWER_WINDOW=$(find_window Tidewater "$seconds") && return 0
  show_viewer_output
  return 1
}

# show_viewer_output: the viewer's exit code (if it ended), its standard output and the end of
# its standard error.
show_viewer_output() {
  if ! kill -0 "$VIEWER_PID" 2>/dev/null; then
    reap_viewer
    echo "  the viewer ended with $EXIT_CODE"
  fi
  echo "  its output: $(head -c 600 "$VIEWER_OUT" 2>/dev/null)"
  tail -n 15 "${VIEWER_OUT%.out}.err" 2>/dev/null | sed 's/^/  stderr: /'
}

# focus_viewer: gives the viewer keyboard focus (a click activates it under an unmanaged Wine).
# --sync waits for the window to become active, so it is bounded: the viewer may have ended.
focus_viewer() {
  kill -0 "$VIEWER_PID" 2>/dev/null || return 1
  timeout 5 xdotool windowactivate --sync "$VIEWER_WINDOW" 2>/dev/null ||
    timeout 5 xdotool windowfocus --sync "$VIEWER_WINDOW" 2>/dev/null
  eval "$(xdotool getwindowgeometry --shell "$VIEWER_WINDOW" 2>/dev/null)" || return 1
  xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 1
  sleep 0.2
}

# shot NAME: saves the whole screen as $SHOTS/NAME.png (the viewer sits at 50,50 on it).
# The root window always exists; grabbing a vanished window would block. The fastest of PNG's
# lossless compressions: a shot takes a quarter second instead of two, and waits take many.
shot() {
  timeout 10 import -window root -define png:compression-level=1 "$SHOTS/$1.png" 2>/dev/null
}

CLIENT=1000x690+62+100  # inside the client area of the window at (50, 50), below the menu bar

# rendered NAME: waits (content loading takes a while) until the client area shows a scene: a
# flat colour (nothing drawn, or the clear colour alone) has no spread, the scene about 50.
rendered() {
  poll 90 shows_scene "$1"
}
shows_scene() { shot "$1" && [ "$(std_dev "$SHOTS/$1.png" $CLIENT)" -ge 20 ]; }

# differ FUZZ REGION A B: how many pixels of REGION (like 100x50+10+20) differ by more than FUZZ
# between the shots A and B.
differ() {
  compare -metric AE -fuzz "$1" -crop "$2" "$SHOTS/$3.png" "$SHOTS/$4.png" null: 2>&1 | cut -d' ' -f1
}

# new_frame BEFORE AFTER: takes shots as AFTER until the sea in it differs from BEFORE's, so that
# AFTER shows a frame presented after BEFORE was taken; false after 30 s or once the viewer ended.
# The waves move every frame: below the start view's horizon a frame changes about a thousand
# pixels or more by 2%, a shot of the same frame none (a frame that changes fewer only makes the
# wait one frame longer). Waits counted in frames, not seconds, hold at any frame rate. WAVES: the
# pixels changed; WAITED: the seconds it took.
SEA=1000x560+62+250
new_frame() {
  local start=$SECONDS
  poll 30 sea_moved "$1" "$2" || return 1
  WAITED=$((SECONDS - start + 1))
  ((WAVES < ${FEWEST_WAVES:-WAVES + 1})) && FEWEST_WAVES=$WAVES
  return 0
}
sea_moved() {
  shot "$2"
  WAVES=$(differ 2% $SEA "$1" "$2")
  [ "${WAVES:-0}" -ge 1000 ]
}

# settled NAME: takes shots until NAME shows a frame begun after the call (the second new frame):
# that frame has read every key and message sent before.
settled() {
  shot "$1-0" && new_frame "$1-0" "$1-1" && new_frame "$1-1" "$1"
}

# still_running NAME: true when a frame comes after a settled one: keys that reached the viewer
# before the call, such as one that would quit it, have had their effect.
still_running() {
  settled "$1" && new_frame "$1" "$1-2"
}

# wait_exit [seconds]: waits for the viewer; sets EXIT_CODE (124 when it did not end in time).
wait_exit() {
  poll "${1:-20}" eval '! kill -0 "$VIEWER_PID" 2>/dev/null'
  kill -0 "$VIEWER_PID" 2>/dev/null || { reap_viewer; return 0; }
  EXIT_CODE=124
  kill -9 "$VIEWER_PID" 2>/dev/null
  return 1
}

# reap_viewer: sets EXIT_CODE from the ended viewer; a second call keeps the first answer.
reap_viewer() {
  [ "${REAPED_PID:-}" = "$VIEWER_PID" ] && return 0
  wait "$VIEWER_PID"; EXIT_CODE=$?
  REAPED_PID=$VIEWER_PID
}

# stop_viewer: ends a viewer still running (cleanup after a failed check).
stop_viewer() {
  [ -n "$VIEWER_PID" ] && kill -0 "$VIEWER_PID" 2>/dev/null && kill -9 "$VIEWER_PID" 2>/dev/null
  WINEPREFIX=$PREFIX wineserver -w 2>/dev/null
}

# std_dev FILE GEOMETRY: prints the standard deviation (0-255) of a region; a flat colour gives 0.
std_dev() {
  convert "$1" -crop "$2" +repage -colorspace Gray -format '%[fx:int(255*standard_deviation+.5)]' info:
}

# finish: summary line and exit status.
finish() {
  stop_viewer
  [ -n "${FEWEST_WAVES:-}" ] && echo "a new frame changed $FEWEST_WAVES pixels of the sea or more"
  if [ "$FAILURES" -eq 0 ]; then echo "all checks held"; exit 0; fi
  echo "$FAILURES check(s) failed"; exit 1
}
