#!/usr/bin/env bash
# Builds the simulation-file fuzzer with clang and runs it for a bounded time.
# Usage: scripts/fuzz.sh [seconds] [extra cmake args...]   (default 90 seconds)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

seconds="${1:-90}"
shift || true
build_dir=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DORVILANE_BUILD_FUZZ=ON -DORVILANE_BUILD_TESTS=OFF -DORVILANE_BUILD_EDITOR=OFF "$@"
cmake --build "$build_dir" -j "$(nproc)" --target orvilane_fuzz_simulation_file

# Work on a copy of the seed corpus: new inputs must not land in the repository.
work="$build_dir/corpus"
rm -rf "$work" && mkdir -p "$work" "$build_dir/findings"
cp tests/data/corpus/*.xml "$work/"
# FFTW's learned plans go to the build folder, not the user's cache.
export XDG_CACHE_HOME="$PWD/$build_dir/cache"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
"$build_dir/tests/fuzz/orvilane_fuzz_simulation_file" "$work" -max_total_time="$seconds" -timeout=30 \
  -rss_limit_mb=4096 -max_len=65536 -print_final_stats=1 -close_fd_mask=1 \
  -artifact_prefix="$build_dir/findings/" -dict=tests/fuzz/simulation_file.dict
