# Shared by the benchmark scripts: the builds measured and their files, one result line per run
# in each build's $RESULTS ("name value"), medians, the settings in force, the timed builds and
# the closing report.

# builds: the builds measured: ours, and the base when one is given.
builds() { echo ours ${BASE_BUILD:+base}; }

# use_build ours|base: the build the next runs and figures are of: its folder, Wine prefix, source
# tree (for `make test`), programs and output files.
use_build() {
  BUILD=$1 BUILD_DIR=$OURS_BUILD TREE=$ROOT
  [ "$1" = base ] && BUILD_DIR=$BASE_BUILD TREE=$(dirname "$BASE_BUILD")
  PREFIX=$BUILD_DIR/wineprefix BENCH_EXE=$BUILD_DIR/tidewater_bench.exe
  OUT=$BUILD_DIR/bench SHOTS=$BUILD_DIR/screenshots E2E_OUT=$BUILD_DIR/bench
  RESULTS=$OUT/results.txt
}

# in_turns N FUNCTION ARGS...: N rounds, each running FUNCTION on every build in turn (ours first),
# so that a change in the machine's load falls on both alike.
in_turns() {
  local n=$1 r b
  shift
  for ((r = 1; r <= n; r++)); do
    for b in $(builds); do use_build "$b"; "$@"; done
  done
  use_build ours
}

# say TEXT: a progress line, naming the build when there are two.
say() {
  echo "${BASE_BUILD:+$BUILD: }$*"
}

# record NAME VALUE: one run's value.
record() {
  [ -n "$2" ] && echo "$1 $2" >>"$RESULTS"
}

# median NAME: the median of NAME's values (the mean of the middle two for an even count).
median() {
  awk -v n="$1" '$1 == n { v[++c] = $2 }
    END { if (!c) { print "n/a"; exit }
          for (i = 1; i <= c; i++) for (j = i + 1; j <= c; j++) if (v[j] < v[i]) { t = v[i]; v[i] = v[j]; v[j] = t }
          m = (c % 2) ? v[(c + 1) / 2] : (v[c / 2] + v[c / 2 + 1]) / 2
          printf "%.6g\n", m }' "$RESULTS"
}

# runs_of NAME: every value of NAME, space separated.
runs_of() {
  awk -v n="$1" '$1 == n { printf "%s%s", s, $2; s = " " }' "$RESULTS"
}

now_s() { date +%s.%N; }
elapsed_s() { awk -v a="$1" -v b="$(now_s)" 'BEGIN { printf "%.2f", b - a }'; }

# The runtime settings every viewer start gets: environment and the prefix's Direct3D keys
# (read from the registry file: a Wine started here, without the display, would spoil later runs).
show_settings() {
  echo "Runtime environment (scripts/runtime-env):"
  if grep -qE '^[[:space:]]*export ' "$ROOT/scripts/runtime-env"; then
    grep -E '^[[:space:]]*export ' "$ROOT/scripts/runtime-env" | sed 's/^[[:space:]]*/  /'
  else
    echo "  (none)"
  fi
  echo "Wine Direct3D keys (scripts/wine-prefix):"
  awk '/^\[/ { on = ($0 ~ /^\[Software\\\\Wine\\\\Direct3D\]/) } on && /^"/ { print "  " $0 }' \
    "$BUILD_DIR/wineprefix/user.reg"
  echo "Machine: $(nproc) cores, $(uname -r), $(wine --version 2>/dev/null)"
}

# content_targets: the build's content and effect generation targets (a tree may lack one).
content_targets() {
  local help t
  help=$(cmake --build "$BUILD_DIR" --target help 2>/dev/null)
  for t in content effects; do
    grep -qw "$t" <<<"$help" && echo "$t"
  done
}

# One content and effect generation from the built tools, their outputs removed first.
content_run() {
  local targets start s
  targets=$(content_targets)
  [ -z "$targets" ] && { say "no content or effects targets: content_build_s not measured"; return; }
  rm -rf "$BUILD_DIR/Content/Models" "$BUILD_DIR/Content/Textures" "$BUILD_DIR/Content/Shaders"
  start=$(now_s)
  cmake --build "$BUILD_DIR" --target $targets >"$OUT/content-build.log" 2>&1 || { say "content build failed"; return; }
  s=$(elapsed_s "$start")
  record content_build_s "$s"
  say "content build ($(echo $targets)): $s s"
}

make_test_run() {
  local start s
  start=$(now_s)
  if (cd "$TREE" && make -s test >"$OUT/make-test.log" 2>&1); then
    s=$(elapsed_s "$start")
    record make_test_s "$s"
    say "make test: $s s"
  else
    say "make test failed (see $OUT/make-test.log): make_test_s not recorded"
  fi
}

measure_content_build() { in_turns "$RUNS" content_run; }
measure_make_test() { in_turns "$TEST_RUNS" make_test_run; }

# quotient A B: A / B to three places; n/a when either is missing, or negative (a difference of
# two noisy figures), or B is 0.
quotient() {
  awk -v a="$1" -v b="$2" 'BEGIN { if (a == "n/a" || b == "n/a" || a < 0 || b <= 0) print "n/a"; else printf "%.3f\n", a / b }'
}

frame_ratio() { quotient "$(median scene_fps)" "$(median empty_fps)"; }

# compared FUNCTION ARGS...: FUNCTION's figure for our build and, with a base, the base's and
# ours / base.
compared() {
  local ours base
  ours=$(use_build ours; "$@")
  [ -z "$BASE_BUILD" ] && { echo "$ours"; return; }
  base=$(use_build base; "$@")
  echo "$ours $base $(quotient "$ours" "$base")"
}

# cells WIDTH FUNCTION ARGS...: the compared figure, each value right-aligned in WIDTH columns.
cells() {
  local width=$1
  shift
  printf " %${width}s" $(compared "$@")
}

# heads WIDTH NAME: the column heads above `cells WIDTH`: NAME, then base and ratio with a base.
heads() {
  printf " %${1}s" "$2" ${BASE_BUILD:+base ratio}
}

# runs_column NAME: every run of NAME; with a base, the base's after a bar.
runs_column() {
  echo "$(runs_of "$1")${BASE_BUILD:+ | $(use_build base; runs_of "$1")}"
}

# row NAME UNIT: one table row with the median and every run.
row() {
  printf '%-24s%s %-6s %s\n' "$1" "$(cells 12 median "$1")" "$2" "$(runs_column "$1")"
}

# pixel_ms TECHNIQUE STEP: the technique's pixel shading in that step: shaded less flat.
pixel_ms() {
  awk -v s="$(median "tech_$1_$2_ms")" -v f="$(median "tech_$1_$2_flat_ms")" \
    'BEGIN { if (s == "n/a" || f == "n/a") print "n/a"; else printf "%.2f\n", s - f }'
}

# drawn TECHNIQUE STEP: prints yes when the technique's draws in that step took any time.
drawn() {
  local shaded flat
  shaded=$(median "tech_$1_$2_ms") flat=$(median "tech_$1_$2_flat_ms")
  [ "$shaded" = n/a ] && return
  awk -v s="$shaded" -v f="$flat" 'BEGIN { if (s > 0.05 || f > 0.05) print "yes" }'
}

# Medians of each technique's draws per step: shaded, with a flat pixel shader (vertex, set-up
# and raster), and the difference (pixel shading). Steps a technique draws in in neither build
# are left out.
print_techniques() {
  local technique step
  grep -q '^tech_.*_flat_ms ' "$RESULTS" || return
  echo
  printf '%-22s %-11s%s%s%s\n' technique step "$(heads 10 shaded_ms)" "$(heads 10 flat_ps_ms)" "$(heads 10 pixel_ms)"
  for technique in all Terrain Default_NormalMapped Default Water; do
    for step in reflection height main water frame_cpu; do
      [ -z "$(in_turns 1 drawn "$technique" "$step")" ] && continue
      printf '%-22s %-11s%s%s%s\n' "$technique" "$step" "$(cells 10 median "tech_${technique}_${step}_ms")" \
        "$(cells 10 median "tech_${technique}_${step}_flat_ms")" "$(cells 10 pixel_ms "$technique" "$step")"
    done
  done
}

stage_order() { cat "$OUT/stage-order.txt" 2>/dev/null; }

# Medians of each start-up stage (warm), in the order the viewer runs them (then any only the
# base has), beside the minimal program's stages of the same name (blank where it has none), then
# the sums of the meshes, textures and first frame.
print_startup_stages() {
  local stage minimal
  [ -s "$OUT/stage-order.txt" ] || return
  echo
  printf '%-34s%s%s  %s\n' start-up_stage "$(heads 9 ours_ms)" "$(heads 11 minimal_ms)" "runs (ours)"
  for stage in $(in_turns 1 stage_order | awk '!seen[$0]++') all_mesh all_texture all_frame; do
    minimal=$(cells 11 median "startup_baseline_$stage")
    printf '%-34s%s%s  %s\n' "$stage" "$(cells 9 median "startup_$stage")" "${minimal//n\/a/   }" \
      "$(runs_column "startup_$stage")"
  done
}

print_report() {
  local name
  echo
  [ -n "$BASE_BUILD" ] && echo "Each figure: ours, the base's ($BASE_BUILD), ours / base."
  printf '%-24s%s %-6s %s\n' figure "$(heads 12 median)" unit "runs${BASE_BUILD:+ (ours | base)}"
  row scene_fps fps; row empty_fps fps
  printf '%-24s%s\n' frame_ratio "$(cells 12 frame_ratio)"
  for name in begin reflection height main copy water present; do row "step_${name}_ms" ms; done
  row steps_total_ms ms; row steps_cpu_ms ms; row loop_frame_ms ms; row loop_frame_cpu_ms ms
  for name in reflection main water; do row "flying_step_${name}_ms" ms; done
  row flying_steps_total_ms ms; row flying_loop_frame_ms ms; row flying_allocations_per_frame count
  row startup_ms ms; row startup_baseline_ms ms; row startup_ours_ms ms
  row startup_cold_ms ms; row startup_baseline_cold_ms ms; row startup_ours_cold_ms ms
  row allocations_per_frame count
  row soak_rss_growth_kb KiB; row soak_rss_end_kb KiB
  row content_build_s s; row make_test_s s
  print_techniques
  print_startup_stages
  echo
  echo "scene_fps: $(compared median scene_fps) fps"
  echo "empty_fps: $(compared median empty_fps) fps"
  echo "frame_ratio: $(compared frame_ratio) x"
  for name in reflection height main copy water present; do echo "step_${name}_ms: $(compared median "step_${name}_ms") ms"; done
  for name in loop_frame_ms flying_loop_frame_ms; do echo "$name: $(compared median "$name") ms"; done
  for name in startup_ms startup_baseline_ms startup_ours_ms; do echo "$name: $(compared median "$name") ms"; done
  echo "allocations_per_frame: $(compared median allocations_per_frame) count"
  echo "content_build_s: $(compared median content_build_s) s"
  echo "make_test_s: $(compared median make_test_s) s"
}
