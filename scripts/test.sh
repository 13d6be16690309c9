#!/usr/bin/env bash
# Installs what the build needs, builds everything and runs every test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
tallis_install_packages

jobs=$(nproc)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"
