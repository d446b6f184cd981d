#!/usr/bin/env bash
# Saves the frame of each fixed viewpoint (bench/viewpoints.h, the tests' reference pictures'
# views) full size as build/screenshots/NAME-VIEW.png, to compare the picture before and after
# a shader or content change side by side.
# usage: bench/viewpoints.sh BUILD_DIR NAME
set -euo pipefail
BUILD_DIR=$(cd "${1:?usage: viewpoints.sh BUILD_DIR NAME}" && pwd)
NAME=${2:?usage: viewpoints.sh BUILD_DIR NAME}
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
PREFIX=$BUILD_DIR/wineprefix
cd "$BUILD_DIR"
"$ROOT/scripts/with-xvfb" "$PREFIX" "$ROOT/scripts/wine-run" "$PREFIX" tidewater_bench.exe shot "$NAME" |
  grep -a '^saved ' | sed "s|^saved |$BUILD_DIR/|"
