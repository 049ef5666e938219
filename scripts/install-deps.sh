#!/usr/bin/env bash
# Installs every Debian 12 package the project needs; skips what is already there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git libtsan2
  libarmadillo-dev libfftw3-dev libopenblas-dev liblapack-dev
  libpugixml-dev libglm-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  libglfw3-dev libimgui-dev libstb-dev python3-glad
  libgl-dev libgl1-mesa-dri libglx-mesa0 mesa-utils-bin
  fonts-croscore xvfb xauth
  xdotool imagemagick python3-xlib x11-utils
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
