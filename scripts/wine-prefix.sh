# Sourced by the scripts that run Windows programs under Wine.
#
#   tallis_fresh_wine_prefix DIR
#
# Makes DIR an empty Wine prefix (so that no service or file of an earlier run
# is left in it) and starts its wineserver and set-up, and sets wine64 to the
# Wine loader. The caller ends the wineserver with tallis_stop_wine_prefix.
tallis_fresh_wine_prefix() {
    wine64=$(command -v wine64 || echo /usr/lib/wine/wine64)
    export WINEPREFIX=$1
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    # Wine's background processes inherit the output pipe of whoever starts
    # them first; started here with nothing attached, they cannot hold the
    # pipes of the tests that follow.
    wineserver -p >/dev/null 2>&1 </dev/null
    "$wine64" cmd /c exit >/dev/null 2>&1 </dev/null
}

tallis_stop_wine_prefix() {
    wineserver -k >/dev/null 2>&1 || true
}
