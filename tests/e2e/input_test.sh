#!/usr/bin/env bash
# Keyboard flight with the real viewer: keys move the view, keys that close the About box or a
# menu do not leak into the frame loop, Escape quits with 0, and the pad status is printed.
source "$(dirname "$0")/lib.sh"

CLIENT=1000x690+10+60  # inside the client area, below the menu bar

hold() { xdotool keydown "$1"; sleep "${2:-1}"; xdotool keyup "$1"; sleep 0.3; }
running() { kill -0 "$VIEWER_PID" 2>/dev/null; }

# changed BEFORE AFTER WHAT: a drawn scene must change under flight; a bare clear colour cannot.
changed() {
  local diff
  if [ "$(std_dev "$SHOTS/$1.png" $CLIENT)" -lt 2 ]; then
    echo "note: only a clear colour is drawn, nothing to see move for $3"
    return
  fi
  diff=$(compare -metric AE -fuzz 5% "$SHOTS/$1.png" "$SHOTS/$2.png" null: 2>&1)
  [ "${diff%% *}" -gt 1000 ] && pass "$3 changed the view ($diff pixels)" || fail "$3 left the view as it was"
}

about_closed() {
  local i
  for ((i = 0; i < 50; i++)); do
    [ -z "$(xdotool search --name '^About$' 2>/dev/null)" ] && return 0
    sleep 0.1
  done
  return 1
}

start_viewer input
wait_window 30 && pass "viewer window up" || fail "no viewer window"
sleep 1
focus_viewer
shot input-before
hold w
shot input-forward
changed input-before input-forward "holding W"
hold Right
shot input-turn
changed input-forward input-turn "holding Right"
running && pass "still running after W and Right" || fail "viewer ended while flying"

# The Return that picks Help > About and the Escape that closes the box are still down when
# the frame loop resumes; neither may act.
xdotool key alt+h; sleep 0.7; xdotool key Return
find_window About 10 >/dev/null && pass "About box open" || fail "About box did not open"
sleep 0.5
xdotool key Escape
about_closed && pass "About box closed by Escape" || fail "About box still open"
sleep 1
running && pass "the Escape that closed the About box did not quit" || fail "closing the About box quit the viewer"

# A menu closed with Escape.
focus_viewer
xdotool key alt+h; sleep 0.5; xdotool key Escape; sleep 0.2; xdotool key Escape
sleep 1
running && pass "the Escape that closed a menu did not quit" || fail "closing a menu quit the viewer"

focus_viewer
shot input-after-about
hold s
shot input-back
changed input-after-about input-back "holding S after the About box"
running && pass "still flying after the About box" || fail "viewer ended after the About box"

# Held a moment, as a person presses it: the keyboard is polled once per frame.
xdotool keydown Escape; sleep 0.2; xdotool keyup Escape
wait_exit 20
[ "$EXIT_CODE" = 0 ] && pass "Escape ends the viewer with 0" || fail "Escape gave exit code $EXIT_CODE"

status=$(grep -o "We don't got a controller! :(" "$VIEWER_OUT" | wc -l)
[ "$status" -ge 10 ] && pass "no-pad status printed each frame ($status times)" || fail "no-pad status printed $status times"
grep -q "We got a controller" "$VIEWER_OUT" && fail "a pad was reported on a machine without one"
grep -q "ERROR: Could not initialise the keyboard" "$VIEWER_OUT" && fail "the keyboard could not be set up"
finish
