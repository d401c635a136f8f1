#!/usr/bin/env bash
# Installs the dependencies, builds everything and runs every test through CTest.
# Under CI it also runs the tests once more in a build with AddressSanitizer and UBSan.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

BUILD=${VORNIX_BUILD_DIR:-build}
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$BUILD"
ctest --test-dir "$BUILD" --output-on-failure -j2

if [[ -n "${CI:-}" || -n "${VORNIX_SANITIZE:-}" ]]; then
  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVORNIX_SANITIZE=ON -DVORNIX_BENCH=OFF
  cmake --build build-asan
  ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    ctest --test-dir build-asan --output-on-failure -j2
fi
