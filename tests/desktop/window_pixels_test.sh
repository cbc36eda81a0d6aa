#!/bin/bash
# Desktop test: the pixels a user sees are the frame's. The program is stopped right after it
# presents a fixed frame, and the window's pixels, as xwd reads them from the X server, are
# compared with the screen surface that frame was drawn into, channel by channel.
# Usage: window_pixels_test.sh PROGRAM PICTURE PRESENT_HOOK WINDOW_PIXELS DEPTH OVERLAY
# OVERLAY is "on" (Up is pressed after the first frame) or "off".
# shellcheck source=tests/desktop/desktop.sh
source "$(dirname "$0")/desktop.sh"

program=$1 picture=$2 hook=$3 window_pixels=$4 depth=$5 overlay=$6

# Frames before and after the factor's first reset (in the twelfth frame).
readonly frames=(5 40)

command -v xwd >/dev/null || skip "xwd is not installed (Debian package x11-apps)"
desktop_start "$depth"
cp "$picture" "$scratch/run/lsd.bmp"

# The hook writes the surface before it stops the program the second time.
stopped_at_frame() {
    [[ -s $scratch/surface-$frame ]] && process_stopped "$program_pid"
}

for frame in "${frames[@]}"; do
    step "frame $frame, overlay $overlay: the window shows the frame's pixels"
    program_env=(LD_PRELOAD="$hook" PRISMWARP_STOP_AT="$frame"
        PRISMWARP_SURFACE_DUMP="$scratch/surface-$frame")
    [[ $overlay == off ]] || program_env+=(PRISMWARP_PRESS_UP=1)
    start_program "$program" "$scratch/run"

    # The hook stops the program before its first present; the frames are presented only
    # once the window manager has shown the window, so that none of them is lost.
    poll 60 process_stopped "$program_pid" || fail "the program did not reach its first present"
    poll 20 window_titled Prismwarp || fail "no window titled Prismwarp appeared"
    poll 20 window_viewable || fail "the window was not shown"
    kill -CONT "$program_pid"
    poll 60 stopped_at_frame || fail "the program did not stop at frame $frame"

    xwd -silent -id "$window" -out "$scratch/window-$frame.xwd" || fail "xwd could not read the window"
    "$window_pixels" "$scratch/surface-$frame" "$scratch/window-$frame.xwd" ||
        fail "the window's pixels are not the frame's"
    kill -KILL "$program_pid"
    wait "$program_pid" 2>/dev/null || true
    program_pid=""
done
