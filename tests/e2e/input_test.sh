#!/usr/bin/env bash
# Keyboard flight with the real viewer: keys move the view, a key released while another window
# has the focus stops acting, the key that closes a menu does not leak into the frame loop, keys
# fly after the About box, a tap of Escape quits with 0, and the pad status is printed, read
# through the fallback xinput9_1_0.dll: Wine always has xinput1_3.dll, taken away here.
source "$(dirname "$0")/lib.sh"
# To input.err: the frame rate (key holds span that many frames), the DLLs loaded, the pad reads.
export WINEDEBUG=-all,+fps,+loaddll,+xinput EXTRA_DLL_OVERRIDES=xinput1_3=d

# The camera is judged above the horizon only, where the sea (below the camera) is never drawn at
# any frame rate: the view starts pitched 0.25 rad down and no key here tilts it, so with the 45
# degree field of view the horizon lies 237 of the 768 frame rows above the middle, screen y 230.
# There a still view changes no pixel, one frame's step of W about two thousand (by 8%).
ABOVE_HORIZON=1000x122+62+100
STILL=100 MOVED=1000

moved() { differ 8% $ABOVE_HORIZON "$1" "$2"; }

# press KEY BEFORE AFTER: puts KEY down and leaves it there until the view above the horizon
# differs from BEFORE (the frame rate here can be one frame a second, so a fixed short hold may
# see no frame at all); DIFF is the count of changed pixels.
press() {
  DIFF=0
  xdotool keydown "$1"
  poll 30 view_moved "$2" "$3"
}
view_moved() {
  shot "$2"
  DIFF=$(moved "$1" "$2")
  [ "${DIFF:-0}" -gt $MOVED ]
}

# fly KEY BEFORE AFTER WHAT: holds KEY until the view moved, then lets it go.
fly() {
  press "$1" "$2" "$3"
  xdotool keyup "$1"
  settled "$3"  # the view at rest again: what the next key is judged against
  [ "${DIFF:-0}" -gt $MOVED ] && pass "$4 moved the view ($DIFF pixels above the horizon)" || fail "$4 left the view as it was"
}

start_viewer input
wait_window 30 && pass "viewer window up" || fail "no viewer window"
rendered input-before && pass "first frames drawn" || fail "no scene drawn"
focus_viewer
rendered input-before  # focusing erases the client area until the next frame
fly w input-before input-forward "holding W"

# W held, the focus moved to another X client and W released there: the viewer never sees the
# release, yet its view must stop moving while it is inactive. W keeps the island ahead, so a
# camera that kept moving would show it above the horizon.
xmessage -geometry +1100+880 "another client" >/dev/null 2>&1 &
OTHER_PID=$!
trap 'kill "$OTHER_PID" 2>/dev/null' EXIT
OTHER=$(find_window xmessage 20)
focus_viewer
if [ -z "$OTHER" ]; then
  fail "no second X client to take the focus"
elif press w input-forward input-away-held; then
  timeout 5 xdotool windowfocus --sync "$OTHER"
  # Waits counted in frames keep a kept key's flight short at any frame rate: the island stays in
  # view. The settled frame has seen the focus go.
  settled input-away-gone
  xdotool keyup w
  new_frame input-away-gone input-away-a && new_frame input-away-a input-away-b
  away=$(moved input-away-a input-away-b)
  [ "${away:-$STILL}" -lt $STILL ] && pass "the view stops while another window has the focus ($away pixels)" ||
    fail "the view kept moving with W released in another window ($away pixels)"
else
  xdotool keyup w; fail "holding W before the focus change left the view as it was"
fi

# The Escape that closes a menu is still down when the frame loop resumes: it must not quit (the
# window test checks the About box's). After the About box, a key pressed afresh flies again.
focus_viewer
xdotool key alt+h; sleep 0.5; xdotool key Escape; sleep 0.2; xdotool key Escape
still_running input-menu && pass "the Escape that closed a menu did not quit" || fail "closing a menu quit the viewer"
open_about && xdotool key Escape && about_closed || fail "the About box did not open and close"
focus_viewer
rendered input-after-about
fly s input-after-about input-back "holding S after the About box"
kill -0 "$VIEWER_PID" 2>/dev/null && pass "still running after the flights" || fail "viewer ended while flying"

# A tap with no pause between press and release: no frame's snapshot sees it down (xdotool's
# default pause let one sometimes), only the buffered events can, and it must still quit.
focus_viewer
xdotool key --delay 0 Escape
wait_exit 30
[ "$EXIT_CODE" = 0 ] && pass "a tap of Escape ends the viewer with 0" || fail "a tap of Escape gave exit code $EXIT_CODE"

status=$(grep -o "We don't got a controller! :(" "$VIEWER_OUT" | wc -l)
[ "$status" -ge 10 ] && pass "no-pad status printed each frame ($status times)" || fail "no-pad status printed $status times"
err=$E2E_OUT/input.err  # Wine's lines: Loaded L"C:\\...\\NAME.dll" at ADDRESS, and each pad read
grep -qF 'xinput9_1_0.dll" at ' "$err" && ! grep -qF 'xinput1_3.dll" at ' "$err" && grep -q 'trace:xinput:XInputGetState' "$err" &&
  pass "the pad answered through xinput9_1_0.dll" || fail "the pad was not read through xinput9_1_0.dll"
grep -o 'approx [0-9.]*fps' "$E2E_OUT/input.err" | tr '\n' ' ' | sed 's/^/frame rates: /'; echo
finish
