#!/usr/bin/env bash
# Runs the port client and tallis-cli.exe against the test driver
# (tests/winedriver) under Wine, in a fresh prefix of its own: the system has one
# service and one device name, so these tests run alone.
#
#   scripts/wine-driver-tests.sh [BUILD_DIR]    the Windows build (default build-win)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/wine-prefix.sh

build=${1:-build-win}
tallis_fresh_wine_prefix "$PWD/$build/wineprefix-driver"
trap tallis_stop_wine_prefix EXIT

# The client looks for the driver in its program's folder.
folder="$WINEPREFIX/drive_c/tallis"
mkdir -p "$folder"
cp "$build/cli/tallis-cli.exe" "$build/tests/winedriver/zlportio.sys" \
    "$build/tests/winedriver/test_wine_driver.exe" "$folder/"
"$wine64" 'C:\tallis\test_wine_driver.exe' </dev/null
