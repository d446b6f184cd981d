# Shared by the benchmark scripts: one result line per run in $RESULTS ("name value"),
# medians, the settings in force, the timed builds and the closing report.

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

# Content and effect generation from the built tools: their outputs removed, then rebuilt.
measure_content_build() {
  local targets="" t start r
  local help
  help=$(cmake --build "$BUILD_DIR" --target help 2>/dev/null)
  for t in content effects; do
    grep -qw "$t" <<<"$help" && targets="$targets $t"
  done
  [ -z "$targets" ] && { echo "no content or effects targets: content_build_s not measured"; return; }
  for ((r = 1; r <= RUNS; r++)); do
    rm -rf "$BUILD_DIR/Content/Models" "$BUILD_DIR/Content/Textures" "$BUILD_DIR/Content/Shaders"
    start=$(now_s)
    cmake --build "$BUILD_DIR" --target $targets >"$OUT/content-build.log" 2>&1 || { echo "content build failed"; return; }
    record content_build_s "$(elapsed_s "$start")"
  done
  echo "content build ($targets): $(runs_of content_build_s) s"
}

measure_make_test() {
  local r start
  for ((r = 1; r <= TEST_RUNS; r++)); do
    start=$(now_s)
    if (cd "$ROOT" && make -s test >"$OUT/make-test.log" 2>&1); then
      record make_test_s "$(elapsed_s "$start")"
    else
      echo "make test failed (see $OUT/make-test.log): make_test_s not recorded"
    fi
  done
  echo "make test: $(runs_of make_test_s) s"
}

# row NAME UNIT TEXT: one table row with the median and every run.
row() {
  printf '%-24s %12s %-6s %s\n' "$1" "$(median "$1")" "$2" "$(runs_of "$1")"
}

ratio() {
  local scene empty
  scene=$(median scene_fps) empty=$(median empty_fps)
  case "$scene$empty" in *n/a*) echo n/a; return ;; esac
  awk -v a="$scene" -v b="$empty" 'BEGIN { printf "%.3f", a / b }'
}

# Medians of each technique's draws per step: shaded, with a flat pixel shader (vertex, set-up
# and raster), and the difference (pixel shading). Steps a technique does not draw in are left out.
print_techniques() {
  local names technique step shaded flat
  names=$(awk '$1 ~ /^tech_.*_flat_ms$/ { print $1 }' "$RESULTS" | sort -u)
  [ -z "$names" ] && return
  echo
  printf '%-22s %-11s %10s %10s %10s\n' technique step shaded_ms flat_ps_ms pixel_ms
  for technique in all Terrain Default_NormalMapped Default Water; do
    for step in reflection height main water frame_cpu; do
      shaded=$(median "tech_${technique}_${step}_ms") flat=$(median "tech_${technique}_${step}_flat_ms")
      [ "$shaded" = n/a ] && continue
      awk -v s="$shaded" -v f="$flat" 'BEGIN { exit !(s > 0.05 || f > 0.05) }' || continue
      printf '%-22s %-11s %10s %10s %10s\n' "$technique" "$step" "$shaded" "$flat" \
        "$(awk -v s="$shaded" -v f="$flat" 'BEGIN { printf "%.2f", s - f }')"
    done
  done
}

# Medians of each start-up stage (warm), in the order the viewer runs them, beside the minimal
# program's stages of the same name, then the sums of the meshes, textures and first frame.
print_startup_stages() {
  local order=$OUT/stage-order.txt stage base
  [ -s "$order" ] || return
  echo
  printf '%-34s %9s %11s  %s\n' start-up_stage ours_ms minimal_ms "runs (ours)"
  for stage in $(cat "$order") all_mesh all_texture all_frame; do
    base=$(median "startup_baseline_$stage")
    [ "$base" = n/a ] && base=""
    printf '%-34s %9s %11s  %s\n' "$stage" "$(median "startup_$stage")" "$base" "$(runs_of "startup_$stage")"
  done
}

print_report() {
  local name
  echo
  printf '%-24s %12s %-6s %s\n' figure median unit runs
  row scene_fps fps; row empty_fps fps
  printf '%-24s %12s %-6s\n' frame_ratio "$(ratio)" ""
  for name in begin reflection height main copy water present; do row "step_${name}_ms" ms; done
  row steps_total_ms ms; row steps_cpu_ms ms; row loop_frame_ms ms; row loop_frame_cpu_ms ms
  row startup_ms ms; row startup_baseline_ms ms; row startup_ours_ms ms
  row startup_cold_ms ms; row startup_baseline_cold_ms ms; row startup_ours_cold_ms ms
  row allocations_per_frame count
  row soak_rss_growth_kb KiB; row soak_rss_end_kb KiB
  row content_build_s s; row make_test_s s
  print_techniques
  print_startup_stages
  echo
  echo "scene_fps: $(median scene_fps) fps"
  echo "empty_fps: $(median empty_fps) fps"
  echo "frame_ratio: $(ratio) x"
  for name in reflection height main copy water present; do echo "step_${name}_ms: $(median "step_${name}_ms") ms"; done
  echo "startup_ms: $(median startup_ms) ms"
  echo "startup_baseline_ms: $(median startup_baseline_ms) ms"
  echo "startup_ours_ms: $(median startup_ours_ms) ms"
  echo "allocations_per_frame: $(median allocations_per_frame) count"
  echo "content_build_s: $(median content_build_s) s"
  echo "make_test_s: $(median make_test_s) s"
}
