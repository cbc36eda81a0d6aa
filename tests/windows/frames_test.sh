#!/bin/bash
# The headless tests that hold on Windows, cross-built by windows_cross_build, run under Wine
# with SDL's dummy video driver: the frames are bit-exact with the Windows compiler, its C
# runtime and SDL 1.2 for Windows too.
# Usage: frames_test.sh ROOT
# shellcheck source=tests/desktop/desktop.sh
source "$(dirname "$0")/../desktop/desktop.sh"
root=$1
# shellcheck source=tests/windows/windows.sh
source "$(dirname "$0")/windows.sh"

# Headless: no X display is used, whatever the caller has.
unset DISPLAY WAYLAND_DISPLAY
require_cross_build
trap 'wine_stop "$cross_prefix"' EXIT

step "the cross-built tests under Wine, in the cross build's own prefix"
WINEPATH="$sdl_dir/bin" SDL_VIDEODRIVER=dummy \
    ctest --test-dir "$cross_build" --output-on-failure -j2 || fail "tests failed under Wine"
