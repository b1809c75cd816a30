#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole test suite. Exits
# non-zero on any failure.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

bash scripts/install-deps.sh
bash scripts/build.sh build
ctest --test-dir build --output-on-failure --no-tests=error -j2

# Once more under AddressSanitizer and UndefinedBehaviorSanitizer, leak
# checking included; any report fails the run. They run what holds our own
# memory and lifetimes: the core and the database code with the test server
# (unit, ledger and wire tests) and the windows. The tool tests run the same
# closing and snapshot code as programs, and the benchmark has no tests:
# neither is built a second time.
bash scripts/build.sh build-asan -DQH_SANITIZE=ON -DQH_BUILD_BENCH=OFF \
    "-DQH_TEST_KINDS=unit;ledger;wire;window"
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
ctest --test-dir build-asan --output-on-failure --no-tests=error -j2

# The Windows build with its tests, cross-built against the shared cross Qt,
# and its installer, under Wine; its tests reach the Linux build's TDS
# test server.
bash scripts/windows/build.sh build-windows --tests build
bash scripts/windows/test-wine.sh build-windows build
