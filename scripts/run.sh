#!/usr/bin/env bash
# Installs what is missing, builds the program (Release) and starts it from the
# build folder, where the data directory is linked and "imgui.ini" is kept.
# Usage: scripts/run.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

build_dir="${1:-build-release}"
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DORVILANE_BUILD_TESTS=OFF
cmake --build "$build_dir" -j "$(nproc)" --target orvilane

cd "$build_dir"
exec ./orvilane
