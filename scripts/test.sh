#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole test suite. Exits
# non-zero on any failure.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

bash scripts/install-deps.sh
bash scripts/build.sh build
ctest --test-dir build --output-on-failure --no-tests=error -j2

# Sanitizer build: build a second tree with -DQH_SANITIZE=ON here, e.g.
#   bash scripts/build.sh build-asan -DQH_SANITIZE=ON
#   ctest --test-dir build-asan --output-on-failure --no-tests=error -j2
