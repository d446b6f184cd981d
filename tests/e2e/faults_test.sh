#!/usr/bin/env bash
# Fault matrix: every content file the viewer reads, missing, truncated to half and (for one
# file of each format) replaced by random bytes, in a copy of the content. A mesh fault is
# reported and the viewer runs on; a texture fault leaves a running viewer; an effect fault is
# reported and ends the program with 1. Never a crash, a hang or a debugger.
# FAULTS_ALL=1 gives every file the random-bytes case too.
source "$(dirname "$0")/lib.sh"

WORK=$(mktemp -d "${TMPDIR:-/tmp}/tidewater-faults.XXXXXX")
# The persistent wineserver below must not outlive the test.
trap '"$SCRIPTS/stop-wineserver" "$PREFIX"; rm -rf "$WORK"' EXIT
cp -r "$BUILD_DIR/Content" "$WORK/Content"
CASES=0
# One wineserver for all the starts: a fresh one per case would cost seconds each time.
WINEPREFIX=$PREFIX wineserver -p
export WINEDEBUG=-all,+fps

# break_file VARIANT FILE: damages the working copy of FILE (relative to the content root).
break_file() {
  local original=$BUILD_DIR/$2 copy=$WORK/$2 size
  size=$(stat -c %s "$original")
  case $1 in
    missing) rm -f "$copy" ;;
    truncated) head -c $((size / 2)) "$original" >"$copy" ;;
    random) head -c "$size" /dev/urandom >"$copy" ;;
  esac
}

# Frames presented (Wine's frame-rate line, the first about 1.5 s after the device is made) while
# the viewer stays alive, then closed with alt+F4 and ended with 0. Each check below leaves its
# finding in PROBLEM.
expect_running_viewer() {
  wait_window 30 || { PROBLEM="no window"; return; }
  if ! poll 30 grep -q 'trace:fps' "$E2E_OUT/$VIEWER_NAME.err"; then
    PROBLEM="no frame presented"
    kill -0 "$VIEWER_PID" 2>/dev/null || { reap_viewer; PROBLEM="ended by itself with $EXIT_CODE"; }
    return
  fi
  focus_viewer
  xdotool key alt+F4
  wait_exit 20 || { PROBLEM="did not end when closed"; return; }
  [ "$EXIT_CODE" = 0 ] || PROBLEM="closed with exit code $EXIT_CODE"
}

# The message, then an orderly exit with 1 within 30 s; a start Wine ended silently is tried again.
expect_effect_failure() {
  wait_exit 30 || { PROBLEM="still running after 30 s"; return; }
  if [ ! -s "$VIEWER_OUT" ] && [ "${2:-}" != again ]; then
    echo "note: the viewer ended with $EXIT_CODE and said nothing; starting it once more"
    "$SCRIPTS/stop-wineserver" "$PREFIX" && WINEPREFIX=$PREFIX wineserver -p
    start_viewer "$VIEWER_NAME" "$WORK" </dev/null; expect_effect_failure "$1" again; return
  fi
  [ "$EXIT_CODE" = 1 ] || PROBLEM="exit code $EXIT_CODE, not 1"
  grep -qF "ERROR: Could not load effect ./$1" "$VIEWER_OUT" || PROBLEM="$PROBLEM; no effect message"
}

# run_case VARIANT FILE: one start of the viewer on the damaged copy, judged by the file's kind.
run_case() {
  local variant=$1 file=$2 name
  name=fault-$variant-$(basename "$file" | tr . _)
  CASES=$((CASES + 1))
  PROBLEM=""
  break_file "$variant" "$file"
  start_viewer "$name" "$WORK" </dev/null
  case $file in
    */Shaders/*) expect_effect_failure "$file" ;;
    */Models/*)
      expect_running_viewer
      grep -qF "ERROR: Could not load mesh ./$file" "$VIEWER_OUT" || PROBLEM="$PROBLEM; no mesh message" ;;
    *) expect_running_viewer ;;
  esac
  # Wine's report of an unhandled exception or a debugger start
  grep -qiE 'unhandled (exception|page fault)|backtrace|winedbg|EXCEPTION_' "$E2E_OUT/$name.err" &&
    PROBLEM="$PROBLEM; crash report on stderr"
  kill -0 "$VIEWER_PID" 2>/dev/null && stop_viewer
  if [ -z "$PROBLEM" ]; then
    pass "$file $variant"
  else
    fail "$file $variant: ${PROBLEM#; } (output in $E2E_OUT/$name.*)"
    show_viewer_output
    cp "$WORK/$file" "$E2E_OUT/$name.input" 2>/dev/null
  fi
  cp "$BUILD_DIR/$file" "$WORK/$file"
}

# One file of each format gets the random-bytes case (all with FAULTS_ALL=1): random bytes
# fail every format's first check, truncation reaches the deeper parsing.
random_case() {
  local extension=${1##*.}
  [ "${FAULTS_ALL:-0}" = 1 ] && return 0
  [[ " ${RANDOM_DONE:-} " == *" $extension "* ]] && [[ $1 != */Shaders/* ]] && return 1
  RANDOM_DONE="${RANDOM_DONE:-} $extension"
}

mapfile -t FILES < <(content_files)
for file in "${FILES[@]}"; do
  run_case missing "$file"
  run_case truncated "$file"
  random_case "$file" && run_case random "$file"
done

echo "fault matrix: $CASES cases ran, $((CASES - FAILURES)) held"
"$SCRIPTS/stop-wineserver" "$PREFIX"
finish
