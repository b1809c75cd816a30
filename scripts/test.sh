#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole test suite. Exits
# non-zero on any failure.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

bash scripts/install-deps.sh
bash scripts/build.sh build
ctest --test-dir build --output-on-failure --no-tests=error -j2

# The same suite once more under AddressSanitizer and UndefinedBehaviorSanitizer,
# leak checking included. Any report fails the run.
# The benchmark has no tests, so it is not built a second time.
bash scripts/build.sh build-asan -DQH_SANITIZE=ON -DQH_BUILD_BENCH=OFF
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
ctest --test-dir build-asan --output-on-failure --no-tests=error -j2

# The Windows build with its tests, cross-built against the shared cross Qt,
# and its installer, under Wine; its tests reach the Linux build's TDS
# test server.
bash scripts/windows/build.sh build-windows --tests build
bash scripts/windows/test-wine.sh build-windows build
