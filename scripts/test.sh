#!/usr/bin/env bash
# Installs what the build needs, builds everything and runs every test suite:
# the native build, the whole suite again under ASan+UBSan, the threaded code
# under TSan, and the Windows build under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
tallis_install_packages "${TALLIS_CLI_PACKAGES[@]}" "${TALLIS_TEST_PACKAGES[@]}"

jobs=$(nproc)
stage() { printf '\n=== %s (%s)\n' "$1" "$(date +%T)"; }

stage "native build and tests"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

stage "ASan+UBSan build and tests"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTALLIS_SANITIZER=address \
    -DTALLIS_BUILD_BENCH=OFF
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-asan --output-on-failure -j "$jobs"

stage "TSan build and the threaded tests"
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTALLIS_SANITIZER=thread \
    -DTALLIS_BUILD_BENCH=OFF -DTALLIS_BUILD_UI=OFF -DTALLIS_BUILD_CLI=OFF
cmake --build build-tsan -j "$jobs" --target test_timing test_app
TSAN_OPTIONS=halt_on_error=1 build-tsan/tests/timing/test_timing
TSAN_OPTIONS=halt_on_error=1 build-tsan/tests/app/test_app

stage "Windows build and tests under Wine"
bash scripts/windows-tests.sh

stage "fuzzing, 15 s per target"
bash scripts/fuzz 15

stage "packages: build, list and run the installed tallis-cli"
bash scripts/package.sh build build-win
bash scripts/package-check.sh
