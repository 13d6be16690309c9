#!/usr/bin/env bash
# The main job: installs what the build needs, builds the command-line tool and
# programs the bundled example firmware into the simulated interface board and
# chip. The chip's memory is saved as Intel HEX for a look at what landed.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
tallis_install_packages "${TALLIS_CLI_PACKAGES[@]}"

build=build-main
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DTALLIS_BUILD_UI=OFF -DTALLIS_BUILD_TESTS=OFF -DTALLIS_BUILD_BENCH=OFF
cmake --build "$build" --target tallis-cli -j "$(nproc)"

"$build/cli/tallis-cli" --sim --sim-state "$build/sim-chip.hex" program examples/blink877a.hex
echo "The simulated chip's memory is in $build/sim-chip.hex"
