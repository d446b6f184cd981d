#!/usr/bin/env bash
# The main window, its menu and the About box, driven like a user would: frames reach the window
# and the water moves, none come while the About box is open, and the keys that close it do not
# reach the frame loop; File > Exit ends with 0 (the close command is used by the fault matrix and
# the package test). What the frames show, the reference pictures check.
source "$(dirname "$0")/lib.sh"

start_viewer window
wait_window 30 && pass "window titled Tidewater" || fail "no window titled Tidewater"
rendered window-a && new_frame window-a window-b && pass "frames come and the water moves ($WAVES pixels)" ||
  fail "no frames, or the water stands still"
SPAN=$((2 * WAITED))  # twice what a frame took

# Escape cancels the box, Return presses its OK button: the two commands that close it.
for closer in Escape Return; do
  if ! open_about; then fail "Help > About did not open the box"; continue; fi
  if [ "$closer" = Escape ]; then  # the box is modal
    sleep 1; shot about; sleep $SPAN; shot about-later
    frozen=$(differ 2% $SEA about about-later)
    [ "${frozen:-1}" -eq 0 ] && pass "no frames while the About box is open ($SPAN s)" ||
      fail "frames went on under the About box ($frozen)"
  fi
  xdotool key "$closer"
  about_closed && pass "About box closed by $closer" || fail "About box still open after $closer"
done
still_running window-after-about && pass "frames again after the About box, and its keys did not quit" ||
  fail "no frames after the About box, or the viewer ended"

focus_viewer
xdotool key alt+f; sleep 0.5; xdotool key x
wait_exit 20
[ "$EXIT_CODE" = 0 ] && pass "File > Exit ends with 0" || fail "File > Exit gave exit code $EXIT_CODE"

# No display to open a window on: a message and exit code 1, not a crash or a silent end.
DISPLAY=:999 start_viewer window-no-display
wait_exit 20
[ "$EXIT_CODE" = 1 ] && grep -qF "ERROR: Could not create the main window" "$VIEWER_OUT" &&
  pass "no display: the message and exit code 1" || fail "no display: exit code $EXIT_CODE, output '$(cat "$VIEWER_OUT")'"
finish
