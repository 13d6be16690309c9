#!/usr/bin/env bash
# Writes the Qt program's artwork into win32/artwork as the icon and bitmap
# files that the Win32 windows' resources take. Run after changing ui/Artwork.cpp.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cmake --build "$build" --target tallis-artwork-export
QT_QPA_PLATFORM=offscreen "$build/win32/artwork/tallis-artwork-export" win32/artwork
