#!/usr/bin/env bash
# The real viewer with its real content and effects: frames reach the window and the water moves,
# and none come while the About box is open. What the frames show, the pictures check.
# Regions are screen coordinates (the window sits at 50,50) measured on the start view.
source "$(dirname "$0")/lib.sh"

SKY=300x60+300+120           # open sky above the island

# wait_for_frames: true once the sky colour shows, i.e. a frame has been presented.
wait_for_frames() {
  local i
  for ((i = 0; i < 60; i++)); do
    shot first
    local sky; sky=$(mean_colour "$SHOTS/first.png" "$SKY")
    set -- $sky
    [ $(( ($1 - 76) ** 2 + ($2 - 204) ** 2 + ($3 - 255) ** 2 )) -lt 400 ] && return 0
    sleep 1
  done
  return 1
}

start_viewer scene
wait_window 60 || fail "no window"
wait_for_frames && pass "frames presented (sky 0xFF4CCCFF above the island)" || fail "no frame with the sky colour"
shot scene-a
new_frame scene-a scene-b && pass "the water moves ($WAVES pixels within $WAITED s)" || fail "the water stands still"
SPAN=$((2 * WAITED))  # twice what a frame took

# The About box is modal: no frames while it is open, frames again after it closes.
if open_about; then
  sleep 1; shot about-open-a; sleep $SPAN; shot about-open-b
  frozen=$(differ 2% $SEA about-open-a about-open-b)
  [ "${frozen:-1}" -eq 0 ] && pass "no frames while the About box is open (${SPAN} s)" ||
    fail "frames went on under the About box ($frozen)"
  xdotool key Escape
  still_running about-closed && pass "frames resume after the box closes, and its Escape did not quit" ||
    fail "no frames after the About box, or its Escape ended the viewer"
else
  fail "Help > About did not open"
fi

focus_viewer
xdotool key alt+F4
wait_exit 30
[ "$EXIT_CODE" = 0 ] && pass "closing the window ends with 0" || fail "exit code $EXIT_CODE"
grep -q "ERROR" "$VIEWER_OUT" && fail "errors on the standard output: $(grep ERROR "$VIEWER_OUT" | head -3)" || pass "no errors reported"
finish
