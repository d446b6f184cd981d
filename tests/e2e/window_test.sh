#!/usr/bin/env bash
# The main window, its menu and the About box, driven like a user would: frames reach the window
# and the water moves, none come while the About box is open, and the keys that close it do not
# reach the frame loop; File > Exit and the close command end with 0. What the frames show, the
# reference pictures check.
source "$(dirname "$0")/lib.sh"

# Clicks the About box's OK button, centred at (210, 11.5) of the 230 x 75 dialog units.
click_ok() {
  eval "$(xdotool getwindowgeometry --shell "$1")"
  local client=$((HEIGHT - 25))  # below Wine's own caption and frame
  xdotool mousemove $((X + WIDTH * 210 / 230)) $((Y + HEIGHT - client + client * 115 / 750)) click 1
}

start_viewer window
wait_window 30 && pass "window titled Tidewater" || fail "no window titled Tidewater"
sleep 1
shot window
# The menu bar sits just under the caption (the window is at 50,50 on the screen shot): the File
# and Help titles are dark text on a light bar.
[ "$(std_dev "$SHOTS/window.png" 120x18+52+72)" -gt 10 ] && pass "menu bar drawn" || fail "no menu bar"
rendered window-a && new_frame window-a window-b && pass "frames come and the water moves ($WAVES pixels)" ||
  fail "no frames, or the water stands still"
SPAN=$((2 * WAITED))  # twice what a frame took

for closer in Escape Return OK; do
  if ! open_about; then fail "Help > About did not open the box"; continue; fi
  if [ "$closer" = Escape ]; then  # the box is modal
    sleep 1; shot about; sleep $SPAN; shot about-later
    frozen=$(differ 2% $SEA about about-later)
    [ "${frozen:-1}" -eq 0 ] && pass "no frames while the About box is open ($SPAN s)" ||
      fail "frames went on under the About box ($frozen)"
  fi
  if [ "$closer" = OK ]; then sleep 0.5; click_ok "$ABOUT"; else xdotool key "$closer"; fi
  about_closed && pass "About box closed by $closer" || fail "About box still open after $closer"
done
still_running window-after-about && pass "frames again after the About box, and its keys did not quit" ||
  fail "no frames after the About box, or the viewer ended"

focus_viewer
xdotool key alt+f; sleep 0.5; xdotool key x
wait_exit 20
[ "$EXIT_CODE" = 0 ] && pass "File > Exit ends with 0" || fail "File > Exit gave exit code $EXIT_CODE"
grep -q ERROR "$VIEWER_OUT" && fail "errors on the standard output: $(grep ERROR "$VIEWER_OUT" | head -3)" ||
  pass "no errors reported"

start_viewer window-close
wait_window 30 || fail "no window on the second start"
sleep 0.5
focus_viewer
xdotool key alt+F4
wait_exit 20
[ "$EXIT_CODE" = 0 ] && pass "the close command ends with 0" || fail "close command gave exit code $EXIT_CODE"

# No display to open a window on: a message and exit code 1, not a crash or a silent end.
DISPLAY=:999 start_viewer window-no-display
wait_exit 20
[ "$EXIT_CODE" = 1 ] && grep -qF "ERROR: Could not create the main window" "$VIEWER_OUT" &&
  pass "no display: the message and exit code 1" || fail "no display: exit code $EXIT_CODE, output '$(cat "$VIEWER_OUT")'"
finish
