#!/usr/bin/env bash
# Keyboard flight with the real viewer: keys move the view, a key released while another window
# has the focus stops acting, the key that closes a menu does not leak into the frame loop, keys
# fly after the About box, a tap of Escape quits with 0, and the pad status is printed.
source "$(dirname "$0")/lib.sh"
export WINEDEBUG=-all,+fps  # the frame rate goes to input.err: key holds span that many frames

CLIENT=1000x690+62+100  # inside the client area of the window at (50, 50), below the menu bar
# The upper view (sky, island, models) stands still unless the camera moves; the far water in it
# is animated every frame, which changes some hundreds of its pixels, a move tens of thousands.
STILL=1000x260+62+100

running() { kill -0 "$VIEWER_PID" 2>/dev/null; }
moved() {  # pixels of the upper view that differ between two shots
  compare -metric AE -fuzz 8% -crop $STILL "$SHOTS/$1.png" "$SHOTS/$2.png" null: 2>&1 | cut -d' ' -f1
}

# press KEY BEFORE AFTER: puts KEY down and leaves it there until the upper view differs from
# BEFORE (the frame rate here can be one frame a second, so a fixed short hold may see no frame
# at all); DIFF is the count of changed pixels.
press() {
  local i
  DIFF=0
  xdotool keydown "$1"
  for ((i = 0; i < 30; i++)); do
    sleep 0.5; shot "$3"; DIFF=$(moved "$2" "$3")
    [ "${DIFF:-0}" -gt 5000 ] && return 0
  done
  return 1
}

# fly KEY BEFORE AFTER WHAT: holds KEY until the view moved, then lets it go.
fly() {
  if [ "$(std_dev "$SHOTS/$2.png" $CLIENT)" -lt 2 ]; then
    echo "note: only a clear colour is drawn, nothing to see move for $4"
    xdotool keydown "$1"; sleep 1; xdotool keyup "$1"; shot "$3"; return
  fi
  press "$1" "$2" "$3"
  xdotool keyup "$1"; sleep 0.5
  [ "${DIFF:-0}" -gt 5000 ] && pass "$4 moved the view ($DIFF pixels of the upper view)" || fail "$4 left the view as it was"
}

# rendered NAME: waits (content loading takes a while) until the client area shows a scene.
rendered() {
  local i
  for ((i = 0; i < 120; i++)); do
    shot "$1"
    [ "$(std_dev "$SHOTS/$1.png" $CLIENT)" -ge 2 ] && return 0
    running || return 1
    sleep 0.5
  done
  return 1
}

start_viewer input
wait_window 30 && pass "viewer window up" || fail "no viewer window"
rendered input-before && pass "first frames drawn" || echo "note: nothing but a clear colour is drawn"
focus_viewer
rendered input-before  # focusing erases the client area until the next frame
sleep 3
shot input-idle
idle=$(moved input-before input-idle)
[ "${idle:-0}" -lt 2000 ] && pass "upper view steady without keys ($idle pixels)" || fail "upper view changes by itself ($idle pixels)"
fly w input-idle input-forward "holding W"
fly Right input-forward input-turn "holding Right"
running && pass "still running after W and Right" || fail "viewer ended while flying"

# W held, the focus moved to another X client and W released there: the viewer never sees the
# release, yet its view must stop moving while it is inactive.
xmessage -geometry +1100+880 "another client" >/dev/null 2>&1 &
OTHER_PID=$!
trap 'kill "$OTHER_PID" 2>/dev/null' EXIT
OTHER=$(find_window xmessage 20)
focus_viewer
if [ -z "$OTHER" ]; then
  fail "no second X client to take the focus"
elif [ "$(std_dev "$SHOTS/input-turn.png" $CLIENT)" -lt 2 ]; then
  echo "note: only a clear colour is drawn, nothing to see move after the focus change"
elif press w input-turn input-away-held; then
  timeout 5 xdotool windowfocus --sync "$OTHER"
  sleep 2; xdotool keyup w; sleep 1
  shot input-away-a; sleep 1; shot input-away-b
  away=$(moved input-away-a input-away-b)
  [ "${away:-1}" -lt 2000 ] && pass "the view stops while another window has the focus ($away pixels)" ||
    fail "the view kept moving with W released in another window ($away pixels)"
else
  xdotool keyup w; fail "holding W before the focus change left the view as it was"
fi

# The Escape that closes a menu is still down when the frame loop resumes: it must not quit
# (the About box's closing keys are checked by the window and scene tests). After the About box,
# a key pressed afresh flies again.
focus_viewer
xdotool key alt+h; sleep 0.5; xdotool key Escape; sleep 0.2; xdotool key Escape
sleep 1
running && pass "the Escape that closed a menu did not quit" || fail "closing a menu quit the viewer"
open_about && xdotool key Escape && about_closed || fail "the About box did not open and close"
focus_viewer
rendered input-after-about
fly s input-after-about input-back "holding S after the About box"

# A plain tap of a few milliseconds: it falls between two frames, and still quits.
focus_viewer
xdotool key Escape
wait_exit 30
[ "$EXIT_CODE" = 0 ] && pass "a tap of Escape ends the viewer with 0" || fail "a tap of Escape gave exit code $EXIT_CODE"

status=$(grep -o "We don't got a controller! :(" "$VIEWER_OUT" | wc -l)
[ "$status" -ge 10 ] && pass "no-pad status printed each frame ($status times)" || fail "no-pad status printed $status times"
grep -q "We got a controller" "$VIEWER_OUT" && fail "a pad was reported on a machine without one"
grep -q "ERROR: Could not initialise the keyboard" "$VIEWER_OUT" && fail "the keyboard could not be set up"
grep -o 'approx [0-9.]*fps' "$E2E_OUT/input.err" | tr '\n' ' ' | sed 's/^/frame rates: /'; echo
finish
