# Windows test helpers: the cross build of the program and its tests for 64-bit Windows, with
# SDL 1.2 built for Windows from Debian's source, and Wine prefixes to run them in: the cross
# build's own, which it makes itself (see cmake/wine.sh), and private ones.
# Sourced by the Windows test scripts, which set `root` (the build folder's windows/) first.
# shellcheck shell=bash disable=SC2034,SC2154 # root is set, and sdl_dir is read, by the test scripts

readonly mingw=x86_64-w64-mingw32
readonly sdl_dir=$root/sdl
readonly cross_build=$root/build
readonly cross_built=$cross_build/.prismwarp-tests-built
# The cross build's own Wine prefix, in which it runs its picture tool and its tests.
readonly cross_prefix=$cross_build/wine
wine_prefix=""

# Skips unless Wine is there.
require_wine() {
    local tool
    for tool in wine wineserver wineboot; do
        command -v "$tool" >/dev/null || skip "$tool is not installed (Debian: wine wine64)"
    done
}

# Skips unless the cross compiler, Wine and CMake are there.
require_cross_tools() {
    local tool
    require_wine
    for tool in "$mingw-g++" "$mingw-objdump" cmake; do
        command -v "$tool" >/dev/null ||
            skip "$tool is not installed (Debian: g++-mingw-w64-x86-64-win32 cmake)"
    done
}

# Skips unless the windows_cross_build test has left a finished cross build.
require_cross_build() {
    require_cross_tools
    [[ -f $cross_built ]] ||
        skip "no cross build in $cross_build: the test windows_cross_build did not run or pass"
}

# Makes a fresh Wine prefix in the build folder and points Wine at it (WINEPREFIX). Wine's
# installers of Mono and Gecko are turned off, so that creating it opens no dialog, and so
# is its menu builder, which would write menu entries into the caller's home. Skips where
# Wine cannot run at all.
wine_prefix_start() {
    wine_prefix=$(mktemp -d "$root/prefix.XXXXXX")
    export WINEPREFIX=$wine_prefix WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    if ! wineboot -i >"$wine_prefix.log" 2>&1 || ! wineserver -w; then
        local reason
        reason=$(tail -n 3 "$wine_prefix.log" | tr '\n' ' ')
        wine_prefix_stop
        skip "Wine cannot run here: $reason"
    fi
}

# Ends every Windows process of the Wine prefix `prefix`, and its wineserver.
wine_stop() {
    WINEPREFIX=$1 wineserver -k 2>/dev/null || true
    WINEPREFIX=$1 wineserver -w 2>/dev/null || true
}

# Ends every Windows process of our prefix, and its wineserver, and removes the prefix.
wine_prefix_stop() {
    [[ -n $wine_prefix ]] || return 0
    wine_stop "$wine_prefix"
    rm -rf "$wine_prefix" "$wine_prefix.log"
    wine_prefix=""
}
