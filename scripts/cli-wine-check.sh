#!/usr/bin/env bash
# Programs the simulated chip with the Windows build of tallis-cli under Wine and
# with the native build, and checks that both report the same, trace the same
# port conversation and save the same chip memory.
#
#   scripts/cli-wine-check.sh WINDOWS_EXE [NATIVE_EXE]
#
# Wine must be set up (WINEPREFIX...), as scripts/windows-tests.sh does. Without
# NATIVE_EXE, build/cli/tallis-cli is used, or built into build-cli-native.
set -euo pipefail
cd "$(dirname "$0")/.."

windows_cli=$1
native_cli=${2:-build/cli/tallis-cli}
if [ ! -x "$native_cli" ]; then
    cmake -S . -B build-cli-native -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DTALLIS_BUILD_UI=OFF -DTALLIS_BUILD_TESTS=OFF -DTALLIS_BUILD_BENCH=OFF
    cmake --build build-cli-native --target tallis-cli -j "$(nproc)"
    native_cli=build-cli-native/cli/tallis-cli
fi
wine64=$(command -v wine64 || echo /usr/lib/wine/wine64)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
firmware=examples/blink877a.hex

run() {  # run NAME COMMAND...
    local name=$1
    shift
    local status=0
    "$@" --sim --sim-state "$work/$name.hex" --trace "$work/$name.trace" \
        program "$firmware" >"$work/$name.out" 2>"$work/$name.err" </dev/null || status=$?
    # Windows writes its console lines with CR LF.
    tr -d '\r' <"$work/$name.out" >"$work/$name.txt"
    if [ "$status" -ne 0 ]; then
        echo "tallis-cli ($name) exited with $status:" >&2
        cat "$work/$name.txt" "$work/$name.err" >&2
        return 1
    fi
}

run native "$native_cli"
run windows "$wine64" "$windows_cli"

failed=0
check() {  # check WHAT FILE-SUFFIX
    if cmp -s "$work/native.$2" "$work/windows.$2"; then
        echo "tallis-cli under Wine: same $1 as the native build"
    else
        echo "tallis-cli under Wine: the $1 differs from the native build's" >&2
        diff "$work/native.$2" "$work/windows.$2" | head -20 >&2 || true
        failed=1
    fi
}
check "message" txt
check "port trace" trace
check "saved chip memory (--sim-state)" hex
grep -q '^Down load data [0-9]* words complete$' "$work/windows.txt" || {
    echo "tallis-cli under Wine did not complete: $(cat "$work/windows.txt")" >&2
    failed=1
}
exit "$failed"
