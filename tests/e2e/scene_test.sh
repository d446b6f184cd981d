#!/usr/bin/env bash
# The real viewer with its real content and effects: what the first seconds show.
# Regions are screen coordinates (the window sits at 50,50) measured on the start view.
source "$(dirname "$0")/lib.sh"

SKY=300x60+300+120           # open sky above the island
WATER=500x200+400+540        # water in front of the island
REFLECTED_DINO=40x60+770+540 # the orange dinosaur's mirror image below its ledge

channel() { mean_colour "$1" "$2" | cut -d' ' -f"$3"; }
# changed_pixels A B REGION: how many pixels of REGION differ between two screenshots.
changed_pixels() {
  convert "$1" -crop "$3" +repage "$E2E_OUT/crop-a.png"
  convert "$2" -crop "$3" +repage "$E2E_OUT/crop-b.png"
  compare -metric AE -fuzz 2% "$E2E_OUT/crop-a.png" "$E2E_OUT/crop-b.png" null: 2>&1 | cut -d' ' -f1
}

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
sleep 2
shot scene-a
sleep 2
shot scene-b
A=$SHOTS/scene-a.png B=$SHOTS/scene-b.png

[ "$(std_dev "$A" "$WATER")" -ge 5 ] && pass "water is not a flat colour" || fail "water area is flat"
# Mirrored brown legs instead of the teal refracted sea floor: the blue channel drops
# (measured 36 with the reflection, 68 without).
blue=$(channel "$A" "$REFLECTED_DINO" 3)
[ "$blue" -le 52 ] && pass "the dinosaur's reflection shows in the water (blue $blue)" ||
  fail "no reflection of the dinosaur (blue $blue)"
moved=$(changed_pixels "$A" "$B" "$WATER")
[ "${moved:-0}" -ge 100 ] && pass "the water moves ($moved pixels changed)" || fail "the water stands still ($moved)"

# The About box is modal: no frames while it is open, frames again after it closes.
if open_about; then
  sleep 1; shot about-open-a; sleep 2; shot about-open-b
  frozen=$(changed_pixels "$SHOTS/about-open-a.png" "$SHOTS/about-open-b.png" "$WATER")
  [ "${frozen:-1}" -eq 0 ] && pass "no frames while the About box is open" || fail "frames went on under the About box ($frozen)"
  xdotool key Escape; sleep 1
  kill -0 "$VIEWER_PID" 2>/dev/null && pass "the Escape that closed the box did not quit" || fail "Escape on the About box ended the viewer"
  shot about-closed-a; sleep 2; shot about-closed-b
  resumed=$(changed_pixels "$SHOTS/about-closed-a.png" "$SHOTS/about-closed-b.png" "$WATER")
  [ "${resumed:-0}" -ge 100 ] && pass "frames resume after the box closes" || fail "no frames after the About box ($resumed)"
else
  fail "Help > About did not open"
fi

focus_viewer
xdotool key alt+F4
wait_exit 30
[ "$EXIT_CODE" = 0 ] && pass "closing the window ends with 0" || fail "exit code $EXIT_CODE"
grep -q "ERROR" "$VIEWER_OUT" && fail "errors on the standard output: $(grep ERROR "$VIEWER_OUT" | head -3)" || pass "no errors reported"
finish
