# Debian 12 packages for building and testing TALLIS; sourced by the set-up scripts.
tallis_install_packages() {
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update
    $sudo apt-get install -y --no-install-recommends \
        build-essential cmake ninja-build pkg-config git ca-certificates \
        libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev \
        qt6-base-dev libgl-dev fonts-dejavu-core fonts-liberation xvfb xauth \
        gputils binutils clang libclang-rt-14-dev \
        g++-mingw-w64-x86-64 wine64 wine "$@"
}
