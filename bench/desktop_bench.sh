#!/bin/bash
# The desktop benchmark: on a private Xvfb with openbox, at 24 and then at 16 bits, the
# program and the floor loop, presenting as SDL chooses by default and the fast way, side by
# side in interleaved rounds (see DesktopBench.cpp). Never run by ctest beyond a smoke test.
# Usage: bench/desktop_bench.sh BUILD_DIR [ROUNDS [FRAMES [DEPTH...]]]
# BUILD_DIR holds the targets desktop_bench, floor_loop, prismwarp and the present hook.
# shellcheck source=tests/desktop/desktop.sh
source "$(dirname "$0")/../tests/desktop/desktop.sh"

build=$(cd "${1:?usage: desktop_bench.sh BUILD_DIR [ROUNDS [FRAMES [DEPTH...]]]}" && pwd)
rounds=${2:-10} frames=${3:-2000}
shift $(($# < 3 ? $# : 3))
depths=("$@")
((${#depths[@]})) || depths=(24 16)

for file in bench/desktop_bench bench/floor_loop prismwarp lsd.bmp \
    tests/support/libprismwarp_present_hook.so; do
    [[ -e $build/$file ]] || fail "$build/$file is missing: build the target desktop_bench first"
done

# A screen of today's size for the full-screen rows: the frame is blown up 4 times.
xvfb_size=1280x1024
for depth in "${depths[@]}"; do
    echo "== ${depth}-bit desktop of $xvfb_size (Xvfb, openbox)"
    # Each depth on an X server of its own, ended with its subshell.
    (
        desktop_start "$depth"
        HOME=$scratch/home PRISMWARP_XSERVER_PID=$xvfb_pid "$build/bench/desktop_bench" "$build/prismwarp" \
            "$build/bench/floor_loop" "$build/tests/support/libprismwarp_present_hook.so" \
            "$build/lsd.bmp" "$rounds" "$frames"
    )
    echo
done
