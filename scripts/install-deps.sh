#!/usr/bin/env bash
# Installs the Debian packages the build, the content tools and the tests need.
# Idempotent: asks apt only for what is missing, so a warm machine costs a dpkg query.
set -euo pipefail

PACKAGES=(
  cmake make
  g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev
  wine wine64
  xvfb xauth x11-utils xdotool
  libgl1-mesa-dri libglx-mesa0
  imagemagick unzip
  googletest libstb-dev
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
