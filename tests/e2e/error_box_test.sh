#!/usr/bin/env bash
# What a person sees when the viewer stops. It imports neither DLL of the DirectX runtime at
# load; without d3dx9_36.dll it says which runtime to install; started with no standard output
# (as from Explorer) the messages that end it come in one box, and only those. With standard
# output connected no box appears: the fault matrix and the other tests show that.
source "$(dirname "$0")/lib.sh"
WORK=$(mktemp -d "${TMPDIR:-/tmp}/tidewater-boxes.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
cp -r "$BUILD_DIR/Content" "$WORK/Content"

imports=$(x86_64-w64-mingw32-objdump -p "$VIEWER_EXE" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z')
grep -qx d3d9.dll <<<"$imports" && ! grep -qxE '(d3dx9_36|xinput1_3)\.dll' <<<"$imports" &&
  pass "neither d3dx9_36.dll nor xinput1_3.dll is imported at load" || fail "load-time imports: $(echo $imports)"

# watch NAME [--no-stdout]: the viewer in $WORK under box_watch.exe, which reports its box.
watch() {
  local name=$1; shift
  VIEWER_NAME=$name VIEWER_OUT=$E2E_OUT/$name.out
  (cd "$WORK" && exec "$SCRIPTS/wine-run" "$PREFIX" "$BUILD_DIR/box_watch.exe" "$@" tidewater.exe \
    >"$VIEWER_OUT" 2>"$E2E_OUT/$name.err") &
  VIEWER_PID=$!
}

# wait_box: true once the box is reported and on screen, as BOX (not the 1024-wide main window).
wait_box() {
  local i id
  for ((i = 0; i < 300; i++)); do
    if grep -qs '^box: ' "$VIEWER_OUT"; then
      for id in $(xdotool search --name '^Tidewater$' 2>/dev/null); do
        eval "$(xdotool getwindowgeometry --shell "$id")"
        [ "$WIDTH" -lt 900 ] && { BOX=$id; return 0; }
      done
    fi
    kill -0 "$VIEWER_PID" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

# report: what box_watch printed (and the viewer, when it shares the output), without the CRs of
# Windows line ends.
report() { tr -d '\r' <"$VIEWER_OUT"; }

# close_box SHOT: saves the screen as SHOT, then a key press on the box.
close_box() {
  sleep 0.5
  shot "$1"
  timeout 5 xdotool windowactivate --sync "$BOX" 2>/dev/null || timeout 5 xdotool windowfocus --sync "$BOX" 2>/dev/null
  xdotool key Return
}

EXTRA_DLL_OVERRIDES=d3dx9_36=d watch runtime
if wait_box; then
  close_box runtime-box
  wait_exit 20 && pass "the runtime box closes on Return" || fail "still running after Return on the runtime box"
  report=$(report)
  [ "$EXIT_CODE" != 0 ] && grep -qx 'exit: [1-9][0-9]*' <<<"$report" && pass "no runtime: exit code $EXIT_CODE" ||
    fail "no runtime: exit code $EXIT_CODE"
  grep -qx 'box: Tidewater' <<<"$report" && grep -qF 'd3dx9_36.dll' <<<"$(sed -n '/^text: /,$p' <<<"$report")" &&
    grep -qF '"DirectX End-User Runtime (June 2010)"' <<<"$report" &&
    grep -qx 'ERROR: Could not load d3dx9_36.dll: install the DirectX End-User Runtime (June 2010)' <<<"$report" &&
    pass "the box and standard output name the file and the runtime" || fail "runtime report: ${report:0:400}"
else
  fail "no runtime box: $(report | head -c 400)"
fi
stop_viewer

# No standard output: the effect's message in a box, the mesh's (the viewer would run on) not,
# and nothing of the viewer's output reaches box_watch's.
rm "$WORK/Content/Shaders/PostProcess.fx" "$WORK/Content/Models/dino.x"
watch no-stdout-effect --no-stdout
if wait_box; then
  close_box error-box
  wait_exit 30
  [ "$(report)" = $'box: Tidewater\ntext: ERROR: Could not load effect ./Content/Shaders/PostProcess.fx\nexit: 1' ] &&
    pass "no standard output: one box with the effect's message, exit code 1" ||
    fail "no standard output, effect missing: $(report | head -c 400)"
else
  fail "no error box: $(report | head -c 400)"
fi
stop_viewer

cp "$BUILD_DIR/Content/Shaders/PostProcess.fx" "$WORK/Content/Shaders/"
watch no-stdout-mesh --no-stdout
VIEWER_WINDOW=$(find_window Tidewater 30) || fail "no window without standard output"
sleep 1
focus_viewer
xdotool key alt+F4
wait_exit 20
[ "$(report)" = 'exit: 0' ] && pass "no standard output, a mesh missing: runs, no box, exit code 0" ||
  fail "no standard output, mesh missing: $(report | head -c 400)"
finish
