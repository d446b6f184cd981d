#!/usr/bin/env bash
# The Windows download: the zip holds exactly the program, README.txt and the content files;
# unpacked into an empty folder and started from another folder it shows the scene; the program
# carries its version resource and application manifest. Then `make run`'s display branch on
# that unpacked copy with a mesh removed: the terminal shows the ERROR line and the exit code,
# never the pad status.
source "$(dirname "$0")/lib.sh"
WORK=$(mktemp -d "${TMPDIR:-/tmp}/tidewater-package.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
APP=$WORK/app VIEWER_EXE=$WORK/app/tidewater.exe
mkdir "$APP" "$WORK/elsewhere"

# `make run`'s filter alone: messages amid the pad status, one of them without a line end and one
# cut by a read, each shown whole while the stream is still open; the log keeps every byte.
exec 5> >(exec "$SCRIPTS/show-errors" "$WORK/filter.log" >"$WORK/filter.txt")
printf 'pad:(ERROR: one\npad:(ERROR: ComputeTangentFrameEX failed!pad:(ERR' >&5; sleep 0.2
printf 'OR: two\r\npad:(' >&5; sleep 1
shown=$(cat "$WORK/filter.txt")
exec 5>&-
[ "$shown" = $'ERROR: one\nERROR: ComputeTangentFrameEX failed!\nERROR: two' ] && [ "$(wc -c <"$WORK/filter.log")" = 79 ] &&
  pass "the run's filter shows each ERROR message as it comes" || fail "the run's filter showed '$shown'"

(cd "$BUILD_DIR" && cpack --config CPackConfig.cmake -B "$WORK/out" >"$E2E_OUT/package.log" 2>&1) ||
  fail "cpack failed: $(tail -3 "$E2E_OUT/package.log")"
ZIP=$WORK/out/tidewater-1.0.0-win64.zip
expected=$( (echo tidewater.exe; echo README.txt; content_files) | sort)
listed=$(unzip -Z1 "$ZIP" | grep -v '/$' | sort)
[ -n "$listed" ] && [ "$listed" = "$expected" ] && pass "the zip holds the program, README.txt and the content" ||
  fail "zip list differs: $(diff <(echo "$expected") <(echo "$listed") | grep '^[<>]' | tr '\n' ' ')"
unzip -q "$ZIP" -d "$APP" || fail "unzip failed"

# The version resource, and the manifest's text unquoted from windres's listing of resource 1 of
# type 24 (its quoted lines there never match the manifest's own quotes).
resource=$(x86_64-w64-mingw32-windres -i "$VIEWER_EXE" -O rc 2>&1) missing=""
manifest=$(sed -n '/^1 24 /,/^END/p' <<<"$resource" | sed -n 's/^ *"\(.*\)"$/\1/p' | sed 's/\\n$//; s/""/"/g')
for line in 'FILEVERSION 1, 0, 0, 0' 'PRODUCTVERSION 1, 0, 0, 0' '"FileVersion", "1.0.0.0"' \
  '"ProductVersion", "1.0.0.0"' '"ProductName", "Tidewater"' '"OriginalFilename", "tidewater.exe"' \
  '"Translation", 0x409, 1252' 'version="1.0.0.0"' 'level="asInvoker"' '{35138b9a-5d96-4fbd-8e2d-a2440225f93a}' \
  '{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}' '{1f676c76-80e1-4239-95bb-83d0f6d0da78}' \
  '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}' '>true/pm</dpiAware>' '>PerMonitorV2</dpiAwareness>'; do
  grep -qF "$line" <<<"$resource$manifest" || missing="$missing; $line"
done
[ -z "$missing" ] && pass "version 1.0.0.0 of Tidewater; manifest: asInvoker, Windows 7 to 11, DPI aware" ||
  fail "the resources lack ${missing#; }"

# Wine starts a program whatever its manifest holds, where Windows refuses a malformed one; Wine's
# own parser speaks up on its actctx channel.
WINEDEBUG=-all,err+actctx,fixme+actctx start_viewer package "$WORK/elsewhere"
wait_window 60 || fail "no window from the unpacked program"
rendered package && pass "started from another folder it draws the scene" || fail "no scene drawn"
grep -q actctx "$E2E_OUT/package.err" && fail "Wine could not read the manifest: $(grep -m1 actctx "$E2E_OUT/package.err")" ||
  pass "the manifest parses"
focus_viewer
xdotool key alt+F4
wait_exit 30
[ "$EXIT_CODE" = 0 ] && ! grep -q ERROR "$VIEWER_OUT" && pass "alt+F4 ends it with 0, no errors" ||
  fail "exit code $EXIT_CODE, output: $(head -c 300 "$VIEWER_OUT")"

# The unpacked folder serves as the build folder of `make run`, on the project's prefix.
rm "$APP/Content/Models/dino.x"
ln -s "$PREFIX" "$APP/wineprefix"
"$SCRIPTS/run-viewer" "$APP" >"$E2E_OUT/run-terminal.txt" 2>&1 </dev/null &
VIEWER_PID=$!
VIEWER_WINDOW=$(find_window Tidewater 60) || fail "make run showed no window"
sleep 3
focus_viewer
xdotool key alt+F4
wait_exit 30
terminal=$(cat "$E2E_OUT/run-terminal.txt")
grep -qx 'ERROR: Could not load mesh ./Content/Models/dino.x' <<<"$terminal" && pass "make run shows the ERROR line" ||
  fail "no ERROR line on the terminal: ${terminal:0:300}"
grep -q controller "$APP/run.out" && ! grep -q controller <<<"$terminal" &&
  pass "the pad status goes to the log only" || fail "pad status on the terminal or not in $APP/run.out"
[ "$EXIT_CODE" = 0 ] && grep -qx 'tidewater.exe exited with code 0' <<<"$terminal" && grep -qF "$APP/run.out" <<<"$terminal" &&
  pass "make run prints where the log is and the exit code" || fail "make run ended with $EXIT_CODE: ${terminal:0:300}"
finish
