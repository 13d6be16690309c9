# Debian 12 packages for TALLIS; sourced by the set-up scripts.

# Enough to build the command-line tool and the simulated target.
TALLIS_CLI_PACKAGES=(build-essential cmake ninja-build pkg-config ca-certificates libcli11-dev libtomlplusplus-dev libftdi1-dev)

# The rest: the test suites and benchmarks, the desktop program, the example
# firmware's assembler, fuzzing with clang, and the Windows builds (64-bit and
# 32-bit) run under Wine; 32-bit Wine comes from the i386 architecture.
TALLIS_TEST_PACKAGES=(
    git libgtest-dev libgmock-dev libbenchmark-dev
    qt6-base-dev libgl-dev fonts-dejavu-core fonts-liberation xvfb xauth
    gputils binutils clang libclang-rt-14-dev
    g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine64 wine wine32:i386
    scdoc dpkg-dev file unzip man-db
)

tallis_install_packages() {
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    export DEBIAN_FRONTEND=noninteractive
    if [[ " $* " == *":i386 "* ]]; then
        $sudo dpkg --add-architecture i386
    fi
    $sudo apt-get update
    $sudo apt-get install -y --no-install-recommends "$@"
}
