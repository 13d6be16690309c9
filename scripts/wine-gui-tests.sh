#!/usr/bin/env bash
# Runs tallis-gui-check.exe against tallis-sim.exe under Wine on a virtual
# display: the main window's controls, a run of an example file, the memory
# view, Device > Identify and Write all, Options and About, the close, a
# production run of two chips from the simulated socket, and a second start
# with a full program memory whose run Esc cancels while About opens and the
# commands stay refused; then tallis.exe without its driver, an
# Erase + Program + Verify run of tallis.exe through the test driver, and the
# same checks on tallis.exe through our stand-in for InpOut's DLL (the test
# driver costs Wine a round trip to its device process per port access: a
# Write all, with its read-back of the erased chip, takes minutes there). With
# --screenshots it also writes docs/windows-*.png.
#
#   scripts/wine-gui-tests.sh BUILD_FOLDER [--screenshots]
set -euo pipefail
cd "$(dirname "$0")/.."
build=$1
screenshots=${2:-}

# Wine's desktop process takes its display from the first program started in
# the prefix, so the prefix is made on the virtual display too.
source scripts/virtual-display.sh
tallis_start_virtual_display
trap tallis_stop_virtual_display EXIT

source scripts/wine-prefix.sh
tallis_fresh_wine_prefix "$PWD/$build/wineprefix-gui"
trap 'tallis_stop_wine_prefix; tallis_stop_virtual_display' EXIT
shots=$PWD/$build/gui-screenshots
rm -rf "$shots"
mkdir -p "$shots"
arguments=("$build/win32/tallis-sim.exe" examples/blink877a.hex)
if [[ $screenshots == --screenshots ]]; then
    arguments+=("$(winepath -w "$shots")")
fi
# On a Wine desktop of its own, which draws the windows' frames (there is no
# window manager on the virtual display), so that screenshots show the title
# bars. The desktop does not pass the exit code on: the output's last line does.
check() {
    local log=$shots/gui-check.log
    timeout 300 "$wine64" explorer /desktop=tallis,800x600 \
        "$build/tests/win32gui/tallis-gui-check.exe" "$@" >"$log" 2>&1 || true
    cat "$log"
    if [[ $(tail -n 1 "$log" | tr -d '\r') != PASS ]]; then
        echo "wine-gui-tests: tallis-gui-check $* failed" >&2
        exit 1
    fi
}
check "${arguments[@]}"
check --production "${arguments[@]}"
# The prefix has no port driver yet.
check --missing-driver "$build/win32/tallis.exe"
# tallis.exe through the port driver: the test driver with the simulated board
# and chip inside (tests/winedriver), beside the program, where the client
# looks for it.
folder="$WINEPREFIX/drive_c/tallis"
mkdir -p "$folder"
cp "$build/win32/tallis.exe" "$build/tests/winedriver/sim/zlportio.sys" examples/blink877a.hex \
    "$folder/"
check --program-run 'C:\tallis\tallis.exe' 'C:\tallis\blink877a.hex'
# tallis.exe through InpOut: our stand-in for its DLL, with the simulated board
# and chip inside, beside the program; the Options choice is auto.
inpout="$WINEPREFIX/drive_c/tallis-inpout"
mkdir -p "$inpout"
cp "$build/win32/tallis.exe" "$build/tests/winedriver/inpout/inpoutx64.dll" \
    examples/blink877a.hex "$inpout/"
check 'C:\tallis-inpout\tallis.exe' 'C:\tallis-inpout\blink877a.hex'
# The DLL logs "unload" and then what the simulated chip found wrong.
inpoutLog=$WINEPREFIX/drive_c/inpout-sim.log
if ! grep -q '^unload' "$inpoutLog" || grep -q '^violation' "$inpoutLog"; then
    echo "wine-gui-tests: the run through InpOut's DLL:" >&2
    cat "$inpoutLog" >&2 || true
    exit 1
fi

if [[ $screenshots == --screenshots ]]; then
    for name in windows-main-window windows-options windows-memory-view windows-production; do
        python3 scripts/bmp-to-png.py "$shots/$name.bmp" "docs/$name.png"
    done
fi
