#!/usr/bin/env bash
# Runs the port client and tallis-cli.exe against the test drivers and our
# stand-ins for InpOut's DLL and FTDI's ftd2xx.dll (tests/winedriver) under
# Wine, in a fresh prefix of its own: the system has one service and one
# device name, so these tests run alone.
#
#   scripts/wine-driver-tests.sh [BUILD_DIR]    the Windows build (default build-win)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/wine-prefix.sh

build=${1:-build-win}
tallis_fresh_wine_prefix "$PWD/$build/wineprefix-driver"
trap tallis_stop_wine_prefix EXIT

# The client looks for the driver in its program's folder; the layout is
# described in tests/winedriver/DriverPathTest.cpp.
drivers="$build/tests/winedriver"
folder="$WINEPREFIX/drive_c/tallis"
mkdir -p "$folder/sim" "$folder/inpout" "$folder/d2xx" "$folder/d2xx-none"
cp "$build/cli/tallis-cli.exe" "$drivers/table/zlportio.sys" "$drivers/test_wine_driver.exe" \
    examples/blink877a.hex "$folder/"
cp "$build/cli/tallis-cli.exe" "$drivers/sim/zlportio.sys" "$folder/sim/"
cp "$build/cli/tallis-cli.exe" "$drivers/inpout/inpoutx64.dll" "$folder/inpout/"
cp "$build/cli/tallis-cli.exe" "$drivers/d2xx/ftd2xx.dll" "$folder/d2xx/"
cp "$build/cli/tallis-cli.exe" "$folder/d2xx-none/"
# The test waits for each program it starts without a limit: a hung one must
# not hold CI up for ever.
timeout 600 "$wine64" 'C:\tallis\test_wine_driver.exe' </dev/null
