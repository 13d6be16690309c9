#!/usr/bin/env bash
# Builds the packages into dist/: the Debian package (tallis, tallis-sim,
# tallis-cli, desktop entries, icon, man pages, bash completion, example HEX
# files, the udev rule for group lp) and the Windows zip (tallis.exe,
# tallis-sim.exe, tallis-cli.exe for 64-bit Windows, the same three for 32-bit
# Windows in the folder 32-bit, the driver note, README).
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc)
rm -rf dist
mkdir -p dist

cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DTALLIS_BUILD_TESTS=OFF -DTALLIS_BUILD_BENCH=OFF -DTALLIS_BUILD_UI=ON
cmake --build build-package -j "$jobs"
(cd build-package && cpack -G DEB)

cmake -S . -B build-package-win32 -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake \
    -DTALLIS_BUILD_TESTS=OFF -DTALLIS_BUILD_BENCH=OFF -DTALLIS_BUILD_UI=ON
cmake --build build-package-win32 -j "$jobs" --target tallis-cli tallis tallis-sim

cmake -S . -B build-package-win -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DTALLIS_BUILD_TESTS=OFF -DTALLIS_BUILD_BENCH=OFF -DTALLIS_BUILD_UI=ON \
    -DTALLIS_WINDOWS_32BIT_BUILD="$PWD/build-package-win32"
cmake --build build-package-win -j "$jobs" --target tallis-cli tallis tallis-sim
(cd build-package-win && cpack -G ZIP)

rm -rf dist/_CPack_Packages
ls -l dist
