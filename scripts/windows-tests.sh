#!/usr/bin/env bash
# Cross-builds the core libraries and their tests for Windows (mingw-w64) into
# build-win and runs the tests under Wine, checks tallis-cli.exe against the
# native build (scripts/cli-wine-check.sh), runs the port client and
# tallis-cli.exe against the test driver (scripts/wine-driver-tests.sh), and
# drives tallis-sim.exe's windows on a virtual display (scripts/wine-gui-tests.sh);
# then cross-builds the port and timer code and their tests for 32-bit Windows
# into build-win32 and runs them under Wine's 32-bit loader where it is
# installed (Debian's wine32).
set -euo pipefail
cd "$(dirname "$0")/.."

build=build-win
jobs=$(nproc)
cmake -S . -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTALLIS_BUILD_BENCH=OFF -DTALLIS_BUILD_UI=ON
cmake --build "$build" -j "$jobs"

# A fresh prefix for every run, so that no service or file of an earlier run
# is left in it.
source scripts/wine-prefix.sh
tallis_fresh_wine_prefix "$PWD/$build/wineprefix"
trap tallis_stop_wine_prefix EXIT

bash scripts/cli-wine-check.sh "$build/cli/tallis-cli.exe"

# Wine now and then fails to start a test program when several start at once
# (the test ends at once with no output at all); a second start settles it. A
# test that really fails fails all three times.
ctest --test-dir "$build" --output-on-failure -j "$jobs" --repeat until-pass:3

# Alone, after the other Wine tests, in a prefix of its own.
tallis_stop_wine_prefix
bash scripts/wine-driver-tests.sh "$build"

# The desktop program's windows, in a prefix and on a display of their own.
bash scripts/wine-gui-tests.sh "$build"

# The 32-bit build's port and timer code: InpOut's 32-bit DLL is called with
# the system's calling convention there, and the timer's arithmetic runs on
# 32-bit words.
build32=build-win32
cmake -S . -B "$build32" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTALLIS_BUILD_BENCH=OFF -DTALLIS_BUILD_UI=OFF -DTALLIS_BUILD_CLI=OFF
cmake --build "$build32" -j "$jobs" --target test_portio test_timing
if [[ -x /usr/lib/wine/wine ]]; then
    tallis_fresh_wine_prefix "$PWD/$build32/wineprefix"
    # The suites of the other layers were not built: their placeholders are left out.
    ctest --test-dir "$build32" --output-on-failure -j "$jobs" --repeat until-pass:3 \
        -E '_NOT_BUILT$'
    tallis_stop_wine_prefix
else
    echo "windows-tests: no 32-bit Wine (wine32): the 32-bit tests were built, not run"
fi
