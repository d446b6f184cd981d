#!/usr/bin/env bash
# Saves the frame of three fixed viewpoints as build/screenshots/NAME-{start,dino,overview}.png,
# for comparing the picture before and after a shader or content change (look at them side by
# side). The same frame count gives the same water, so two runs differ only by the change.
# usage: bench/viewpoints.sh BUILD_DIR NAME
set -euo pipefail
BUILD_DIR=$(cd "${1:?usage: viewpoints.sh BUILD_DIR NAME}" && pwd)
NAME=${2:?usage: viewpoints.sh BUILD_DIR NAME}
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
PREFIX=$BUILD_DIR/wineprefix
FRAMES=60
# name x y z yaw pitch: the start view; the orange dinosaur's skin, its reflection and the shore
# foam; the island from above with every terrain layer and the far tiles' reflections.
VIEWS="start -1 3.7 -14 0.1 -0.25
dino 6.2 1.5 -4.6 0.80 -0.10
overview 8 7 -10 0.695 -0.421"
# shellcheck disable=SC2016
"$ROOT/scripts/with-xvfb" "$PREFIX" bash -c '
  cd "$1"
  while read -r view x y z yaw pitch; do
    "$2/scripts/wine-run" "$3" tidewater_bench.exe shot "$4-$view" "$x" "$y" "$z" "$yaw" "$pitch" "$5" >/dev/null 2>&1 ||
      echo "viewpoints: $view failed" >&2
    echo "$1/screenshots/$4-$view.png"
  done <<<"$6"' _ "$BUILD_DIR" "$ROOT" "$PREFIX" "$NAME" "$FRAMES" "$VIEWS"
