#!/usr/bin/env bash
# Runs tallis-gui-check.exe against tallis-sim.exe under Wine on a virtual
# display: the main window's controls, a run of an example file, Options and
# About, the close. With --screenshots it also writes docs/windows-*.png.
#
#   scripts/wine-gui-tests.sh BUILD_FOLDER [--screenshots]
set -euo pipefail
cd "$(dirname "$0")/.."
build=$1
screenshots=${2:-}

if [[ -z ${TALLIS_ON_VIRTUAL_DISPLAY:-} ]]; then
    # Wine's desktop process takes its display from the first program started
    # in the prefix, so the prefix is made on the virtual display too.
    TALLIS_ON_VIRTUAL_DISPLAY=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

source scripts/wine-prefix.sh
tallis_fresh_wine_prefix "$PWD/$build/wineprefix-gui"
trap tallis_stop_wine_prefix EXIT
# A Wine desktop of its own draws the windows' frames (there is no window
# manager on the virtual display), so that screenshots show the title bars.
"$wine64" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
"$wine64" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 800x600 /f >/dev/null 2>&1

shots=$PWD/$build/gui-screenshots
rm -rf "$shots"
mkdir -p "$shots"
arguments=("$build/win32/tallis-sim.exe" examples/blink877a.hex)
if [[ $screenshots == --screenshots ]]; then
    arguments+=("$(winepath -w "$shots")")
fi
timeout 300 "$wine64" "$build/tests/win32gui/tallis-gui-check.exe" "${arguments[@]}"

if [[ $screenshots == --screenshots ]]; then
    for name in windows-main-window windows-options; do
        python3 scripts/bmp-to-png.py "$shots/$name.bmp" "docs/$name.png"
    done
fi
