#!/usr/bin/env bash
# `make bench`: measures the built viewer under Wine, Xvfb and llvmpipe and prints a table of
# medians, then one `name: value unit` line per figure.
# usage: bench/bench.sh BUILD_DIR
# Knobs: BENCH_RUNS (3), BENCH_WARMUP_S (5), BENCH_SPAN_S (15), BENCH_SOAK_S (180),
#        BENCH_TEST_RUNS (1), BENCH_STEP_FRAMES (120), BENCH_TECH_FRAMES (20),
#        BENCH_STARTUP_RUNS (15).
set -uo pipefail
BUILD_DIR=$(cd "${1:-build}" && pwd)
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export BUILD_DIR ROOT
export RUNS=${BENCH_RUNS:-3} WARMUP_S=${BENCH_WARMUP_S:-5} SPAN_S=${BENCH_SPAN_S:-15}
export SOAK_S=${BENCH_SOAK_S:-180} TEST_RUNS=${BENCH_TEST_RUNS:-1} STEP_FRAMES=${BENCH_STEP_FRAMES:-120}
export TECH_FRAMES=${BENCH_TECH_FRAMES:-20} STARTUP_RUNS=${BENCH_STARTUP_RUNS:-15}
export OUT=$BUILD_DIR/bench
export RESULTS=$OUT/results.txt
PREFIX=$BUILD_DIR/wineprefix
source "$ROOT/bench/bench_lib.sh"

mkdir -p "$OUT"
: >"$RESULTS"
echo "Benchmark started $(date '+%F %T'); load: $(cut -d' ' -f1-3 /proc/loadavg)" | tee "$OUT/log.txt"
show_settings | tee -a "$OUT/log.txt"

measure_content_build
"$ROOT/scripts/with-xvfb" "$PREFIX" bash "$ROOT/bench/bench_display.sh"
measure_make_test

echo "Benchmark ended $(date '+%F %T'); load: $(cut -d' ' -f1-3 /proc/loadavg)" | tee -a "$OUT/log.txt"
print_report
