#!/usr/bin/env bash
# Builds the packages into dist/: the Debian package (tallis, tallis-sim,
# tallis-cli, desktop entries, icon, man pages, bash completion, example HEX
# files, board files, the udev rules for the parallel ports (group lp) and FTDI
# devices (group plugdev)) and the Windows zip (tallis.exe,
# tallis-sim.exe, tallis-cli.exe for 64-bit Windows, the same three for 32-bit
# Windows in the folder 32-bit, the driver note, README).
#
#   scripts/package.sh                      # release builds of their own
#   scripts/package.sh build build-win      # the programs of these builds
#
# The second form packages the programs of a native and a 64-bit Windows build
# that are already made (the test command's), stripped as always, instead of
# building them again; the 32-bit programs are always built here.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc)
rm -rf dist
mkdir -p dist

native=${1:-build-package}
windows=${2:-build-package-win}
if [ $# -eq 0 ]; then
    cmake -S . -B "$native" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
        -DTALLIS_BUILD_TESTS=OFF -DTALLIS_BUILD_BENCH=OFF -DTALLIS_BUILD_UI=ON
elif [ $# -ne 2 ]; then
    echo "usage: scripts/package.sh [NATIVE_BUILD WINDOWS_BUILD]" >&2
    exit 2
fi
cmake --build "$native" -j "$jobs"
(cd "$native" && cpack -G DEB)

cmake -S . -B build-package-win32 -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake \
    -DTALLIS_BUILD_TESTS=OFF -DTALLIS_BUILD_BENCH=OFF -DTALLIS_BUILD_UI=ON
cmake --build build-package-win32 -j "$jobs" --target tallis-cli tallis tallis-sim

if [ $# -eq 0 ]; then
    cmake -S . -B "$windows" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
        -DTALLIS_BUILD_TESTS=OFF -DTALLIS_BUILD_BENCH=OFF -DTALLIS_BUILD_UI=ON \
        -DTALLIS_WINDOWS_32BIT_BUILD="$PWD/build-package-win32"
else
    cmake -S . -B "$windows" -DTALLIS_WINDOWS_32BIT_BUILD="$PWD/build-package-win32"
fi
cmake --build "$windows" -j "$jobs"
(cd "$windows" && cpack -G ZIP)

rm -rf dist/_CPack_Packages
ls -l dist
