#!/usr/bin/env bash
# Configures and builds Quillhaven: Release with debug information, Ninja.
#   scripts/build.sh [BUILD_DIR [CMAKE_OPTION...]]
# BUILD_DIR defaults to build/ in the source tree; further arguments go to
# CMake (e.g. scripts/build.sh build-asan -DQH_SANITIZE=ON).
# QH_BUILD_JOBS sets the number of parallel jobs (default 2); QH_BUILD_TARGETS
# names the targets to build (default all).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${1:-$root/build}
shift || true

cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
targets=()
for target in ${QH_BUILD_TARGETS:-}; do
    targets+=(--target "$target")
done
cmake --build "$build_dir" -j "${QH_BUILD_JOBS:-2}" "${targets[@]}"
