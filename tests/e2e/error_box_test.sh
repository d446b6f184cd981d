#!/usr/bin/env bash
# What a person sees when the viewer stops. Without the DirectX runtime's DLLs a box names the
# runtime to install; started with no standard output (by box_watch.exe, as from Explorer) the
# messages that end the viewer or leave it drawing no scene come in one box, and only those. With standard output connected
# no error box appears: the fault matrix shows that.
source "$(dirname "$0")/lib.sh"
WORK=$(mktemp -d "${TMPDIR:-/tmp}/tidewater-boxes.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
cp -r "$BUILD_DIR/Content" "$WORK/Content"

# watched NAME: the viewer in $WORK with no standard output; box_watch's report in $VIEWER_OUT.
watched() {
  VIEWER_EXE=$BUILD_DIR/box_watch.exe start_viewer "$1" "$WORK" tidewater.exe
}
report() { tr -d '\r' <"$VIEWER_OUT"; }  # without the CRs of Windows line ends

# close_box SHOT: once a window titled Tidewater narrower than the main one shows, saves the
# screen as SHOT, presses Return on that box and waits for the viewer's end; false if none shows.
close_box() {
  local i id
  for ((i = 0; i < 300; i++)); do
    for id in $(xdotool search --name '^Tidewater$' 2>/dev/null); do
      eval "$(xdotool getwindowgeometry --shell "$id")"
      [ "$WIDTH" -lt 900 ] || continue
      sleep 1  # box_watch reads it meanwhile
      shot "$1"
      timeout 5 xdotool windowactivate --sync "$id" 2>/dev/null || timeout 5 xdotool windowfocus --sync "$id" 2>/dev/null
      xdotool key Return
      wait_exit 30
      return
    done
    sleep 0.1
  done
  return 1
}

# Both DLLs of the runtime taken away: one imported at load would stop the start before any box.
EXTRA_DLL_OVERRIDES="d3dx9_36=d;xinput1_3=d" start_viewer runtime
close_box runtime-box && [ "$EXIT_CODE" != 0 ] &&
  grep -qx 'ERROR: Could not load d3dx9_36.dll: install the DirectX End-User Runtime (June 2010)' <(report) &&
  pass "no D3DX: the runtime box, closed by Return, exit code $EXIT_CODE" || fail "no D3DX: $(report | head -c 300)"
stop_viewer

# The effect's message in the box, the mesh's (the viewer would run on) not.
rm "$WORK/Content/Shaders/PostProcess.fx" "$WORK/Content/Models/dino.x"
watched no-stdout-effect
close_box error-box
[ "$(report)" = $'box: Tidewater: ERROR: Could not load effect ./Content/Shaders/PostProcess.fx\nexit: 1' ] &&
  pass "no standard output: one box with the effect's message, exit code 1" || fail "effect missing: $(report | head -c 300)"
stop_viewer

cp "$BUILD_DIR/Content/Shaders/PostProcess.fx" "$WORK/Content/Shaders/"
watched no-stdout-mesh
wait_window 30 && sleep 1 && focus_viewer && xdotool key alt+F4
wait_exit 20
[ "$(report)" = 'exit: 0' ] && pass "no standard output, a mesh missing: runs, no box, exit code 0" ||
  fail "mesh missing: $(report | head -c 300)"

# 7 MB of video memory (Wine's own limit) leave no room for the render targets: closing shows why.
WINE_D3D_CONFIG=VideoMemorySize=7 watched no-stdout-targets
wait_window 30 && focus_viewer && xdotool key alt+F4 && close_box targets-box
[[ "$(report)" =~ ^'box: Tidewater: ERROR: Could not create the scene render target ('[0-9]+x[0-9]+'): 0x8876017C'$'\n''exit: 0'$ ]] &&
  pass "no standard output, no render target: its message in the box, exit code 0" || fail "no target: $(report | head -c 300)"
finish
