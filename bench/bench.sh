#!/usr/bin/env bash
# `make bench`: measures the built viewer under Wine, Xvfb and llvmpipe and prints a table of
# medians, then one `name: value unit` line per figure. Given a base build as well (`make bench
# BASE=<commit>`), measures both in turns, run by run, and prints each figure for both with
# their ratio: this machine's absolute speed swings too much for figures from two sittings.
# Both builds run with this tree's scripts (runtime settings, prefix settings, benchmark).
# usage: bench/bench.sh BUILD_DIR [BASE_BUILD_DIR]
# Knobs: BENCH_RUNS (3), BENCH_WARMUP_S (5), BENCH_SPAN_S (15), BENCH_SOAK_S (180),
#        BENCH_TEST_RUNS (1), BENCH_STEP_FRAMES (120), BENCH_TECH_FRAMES (20),
#        BENCH_STARTUP_RUNS (15).
set -uo pipefail
OURS_BUILD=$(cd "${1:-build}" && pwd)
BASE_BUILD=${2:+$(cd "$2" && pwd)}
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export OURS_BUILD BASE_BUILD ROOT
export RUNS=${BENCH_RUNS:-3} WARMUP_S=${BENCH_WARMUP_S:-5} SPAN_S=${BENCH_SPAN_S:-15}
export SOAK_S=${BENCH_SOAK_S:-180} TEST_RUNS=${BENCH_TEST_RUNS:-1} STEP_FRAMES=${BENCH_STEP_FRAMES:-120}
export TECH_FRAMES=${BENCH_TECH_FRAMES:-20} STARTUP_RUNS=${BENCH_STARTUP_RUNS:-15}
source "$ROOT/bench/bench_lib.sh"

fresh_results() { mkdir -p "$OUT"; : >"$RESULTS"; }
in_turns 1 fresh_results
echo "Benchmark started $(date '+%F %T'); load: $(cut -d' ' -f1-3 /proc/loadavg)" | tee "$OUT/log.txt"
[ -n "$BASE_BUILD" ] && echo "Base: $BASE_BUILD, $(git -C "$BASE_BUILD/.." log -1 --format='%h %s')" | tee -a "$OUT/log.txt"
show_settings | tee -a "$OUT/log.txt"

measure_content_build
"$ROOT/scripts/with-xvfb" "$PREFIX" bash "$ROOT/bench/bench_display.sh"
measure_make_test

echo "Benchmark ended $(date '+%F %T'); load: $(cut -d' ' -f1-3 /proc/loadavg)" | tee -a "$OUT/log.txt"
print_report
