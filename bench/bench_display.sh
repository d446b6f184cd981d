#!/usr/bin/env bash
# The benchmark's runs that need a display (started by bench.sh inside scripts/with-xvfb):
# frame steps and allocations, start-up, frame rates from Wine's +fps channel, the soak; each
# run on every build in turn.
set -uo pipefail
source "$ROOT/bench/bench_lib.sh"
use_build ours
source "$ROOT/tests/e2e/lib.sh"
source "$ROOT/scripts/runtime-env"

# run_bench ARGS...: the benchmark program from the build folder, output to $OUT/bench.out.
# Ended after 10 minutes: llvmpipe under Wine has been seen to deadlock in malloc once in a
# few hundred runs, and one stuck run must not hold up the rest.
run_bench() {
  (cd "$BUILD_DIR" && timeout -k 10 600 "$SCRIPTS/wine-run" "$PREFIX" "$BENCH_EXE" "$@") >"$OUT/bench.out" 2>"$OUT/bench.err"
}

# value NAME: the value of "NAME: value" in the last benchmark program run (the viewer's
# per-frame pad status has no line end, so the pair is looked for anywhere in a line).
value() {
  grep -o "$1: [0-9.]*" "$OUT/bench.out" | tail -1 | cut -d' ' -f2
}

# steps_run [flying]: the frame steps with the camera still, as the viewer starts, or turned a
# little every frame, as while the user flies: then no image is kept and every pass draws. The
# flying figures are named flying_*. A build that keeps no image ignores the word.
steps_run() {
  local name variant=${1:-} prefix=${1:+$1_}
  run_bench steps 30 "$STEP_FRAMES" $variant || { say "${prefix}steps run failed: $(tail -3 "$OUT/bench.out")" >&2; return; }
  for name in begin reflection height main copy water present; do record "${prefix}step_${name}_ms" "$(value "step_${name}_ms")"; done
  for name in steps_total_ms steps_cpu_ms loop_frame_ms loop_frame_cpu_ms allocations_per_frame; do
    record "$prefix$name" "$(value "$name")"
  done
  say "${variant:-still} frame steps: total $(value steps_total_ms) ms, allocations per frame $(value allocations_per_frame)"
}

# Each technique's draws alone, per step, shaded and with a flat pixel shader (bench/techniques.h).
techniques_run() {
  local technique step shaded flat
  run_bench techniques "$TECH_FRAMES" || { say "techniques run failed: $(tail -3 "$OUT/bench.out")" >&2; return; }
  while read -r _ technique step shaded flat; do
    record "tech_${technique}_${step}_ms" "$shaded"
    record "tech_${technique}_${step}_flat_ms" "$flat"
  done < <(grep -a '^technique ' "$OUT/bench.out")
  say "techniques: $TECH_FRAMES frames per group"
}

# startup_run MODE PREFIX: one start of the benchmark program in MODE (startup or baseline) to
# its first Present's return. Records PREFIX_NAME for each stage (the time since the previous
# mark; the first, "launch", counts from before Wine was started) and PREFIX_all_mesh, _texture
# and _frame (the sums of those stages), and prints the whole time.
startup_run() {
  local mode=$1 prefix=$2 start
  start=$(date +%s%N)
  run_bench "$mode" || return
  grep -ao 'stage [^ ]* [0-9.]*' "$OUT/bench.out" |
    awk -v start="$start" -v p="$prefix" '
      { t = $3; if (!n++) last = start / 1e6; d = t - last; last = t; printf "%s_%s %.1f\n", p, $2, d
        g = $2; sub(/[0-9]*:.*$/, "", g); sub(/_.*$/, "", g); sum[g] += d }
      END { if (!n) exit
            for (g in sum) if (g == "mesh" || g == "texture" || g == "frame") printf "%s_all_%s %.1f\n", p, g, sum[g]
            printf "%s %.0f\n", p, last - start / 1e6 }' >"$OUT/stages.txt"
  grep -q "^${prefix} " "$OUT/stages.txt" || return
  grep -v "^${prefix} " "$OUT/stages.txt" >>"$RESULTS"
  [ -s "$OUT/stage-order.txt" ] || [ "$mode" != startup ] ||
    grep -v "^${prefix} \|_all_" "$OUT/stages.txt" | cut -d' ' -f1 | sed "s/^${prefix}_//" >"$OUT/stage-order.txt"
  awk -v p="$prefix" '$1 == p { print $2 }' "$OUT/stages.txt"
}

# startup_pair SUFFIX: the minimal program, then the viewer, back to back, so that both see the
# same load; our share is their difference within the pair.
startup_pair() {
  local base ours
  base=$(startup_run baseline "startup_baseline$1")
  ours=$(startup_run startup "startup$1")
  record "startup_baseline$1_ms" "$base"
  record "startup$1_ms" "$ours"
  [ -n "$base" ] && [ -n "$ours" ] && record "startup_ours$1_ms" $((ours - base))
}

stop_wineserver() { "$SCRIPTS/stop-wineserver" "$PREFIX"; }

# Warm: prefix built, files cached, wineserver and Wine's own services already running.
# Cold: the same, but wineserver (and with it those services) ended before each start.
warm_up() {
  rm -f "$OUT/stage-order.txt"
  run_bench baseline
  run_bench startup
  WINEPREFIX=$PREFIX wineserver -p
}
cold_pair() { stop_wineserver; startup_pair _cold; }
startup_summary() {
  say "start-up: warm $(runs_of startup_ms) ms, minimal program $(runs_of startup_baseline_ms) ms"
  say "start-up, wineserver not running: $(runs_of startup_cold_ms) ms, minimal program $(runs_of startup_baseline_cold_ms) ms"
}
measure_startup() {
  in_turns 1 warm_up
  in_turns "$STARTUP_RUNS" startup_pair ""
  in_turns "$RUNS" cold_pair
  in_turns 1 startup_summary
}

# launch NAME EXE ARGS...: lib.sh's start_viewer with Wine's +fps channel on (output in $OUT),
# then its window; false, with the program ended, when none came. The channel stays on for the
# start wait_window tries once more.
launch() {
  local -x WINEDEBUG=-all,+fps
  VIEWER_EXE=$2
  start_viewer "$1" "$BUILD_DIR" "${@:3}"
  wait_window 60 || { say "$1: no window" >&2; stop_viewer; return 1; }
}

# close_program: a tap of Escape; true when the program ended with 0.
close_program() {
  focus_viewer
  xdotool key Escape
  wait_exit 20
  [ "$EXIT_CODE" = 0 ]
}

# The +fps lines of one run: Wine prints the rate of the last ~1.5 s at each of them.
fps_lines() {
  local lines
  lines=$(grep -o 'wined3d_cs_exec_present.*approx [0-9.]*fps' "$1")
  [ -z "$lines" ] && lines=$(grep -o 'approx [0-9.]*fps' "$1")
  echo "$lines" | grep -o '[0-9.]*fps' | tr -d fps
}

# fps_run NAME EXE ARGS...: the mean rate over the span after the warm-up.
fps_run() {
  local name=$1 skip
  launch "$@" || return 1
  sleep "$WARMUP_S"
  skip=$(fps_lines "$OUT/$name.err" | wc -l)
  [ "$skip" -lt 1 ] && skip=1  # the first line, at the first frame, always says 0
  sleep "$SPAN_S"
  fps_lines "$OUT/$name.err" | tail -n +"$((skip + 1))" >"$OUT/$name.fps"
  shot "bench-$name"
  close_program || say "$name: exit code $EXIT_CODE" >&2
  awk '{ s += $1; c++ } END { if (c) printf "%.2f", s / c }' "$OUT/$name.fps"
}

fps_pair() {
  local scene empty
  scene=$(fps_run scene "$BUILD_DIR/tidewater.exe")
  empty=$(fps_run empty "$BENCH_EXE" empty)
  record scene_fps "$scene"
  record empty_fps "$empty"
  say "frame rate: scene $scene, empty object list $empty"
}

rss_kb() {
  awk '/^VmRSS:/ { print $2 }' "/proc/$1/status" 2>/dev/null
}

# The viewer running for BENCH_SOAK_S seconds; its resident memory is sampled every 10 s and
# must not grow after the first half minute.
soak_run() {
  local t first="" last="" rss
  launch soak "$BUILD_DIR/tidewater.exe" || return
  : >"$OUT/soak-rss.txt"
  for ((t = 0; t <= SOAK_S; t += 10)); do
    rss=$(rss_kb "$VIEWER_PID")
    [ -z "$rss" ] && { say "soak: viewer ended after $t s"; break; }
    echo "$t $rss" >>"$OUT/soak-rss.txt"
    [ "$t" -ge 30 ] && { [ -z "$first" ] && first=$rss; last=$rss; }
    sleep 10
  done
  shot bench-soak
  close_program || say "soak: exit code $EXIT_CODE"
  [ -n "$first" ] && record soak_rss_growth_kb $((last - first)) && record soak_rss_end_kb "$last"
  say "soak: resident memory (KiB) every 10 s: $(awk '{ printf "%s ", $2 }' "$OUT/soak-rss.txt")"
  if [ -z "$first" ]; then say "soak: no sample after 30 s, memory not judged"
  elif [ $((last - first)) -le 2048 ]; then say "soak: memory flat (growth $((last - first)) KiB after 30 s)"
  else say "soak: MEMORY GREW by $((last - first)) KiB"
  fi
}

# with-xvfb ends our prefix's wineserver, not the base's: both are ended here, first and last.
in_turns 1 stop_wineserver
in_turns "$RUNS" steps_run
in_turns "$RUNS" steps_run flying
in_turns "$RUNS" techniques_run
measure_startup
in_turns "$RUNS" fps_pair
[ "$SOAK_S" -gt 0 ] && in_turns 1 soak_run
in_turns 1 stop_wineserver
