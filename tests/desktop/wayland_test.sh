#!/bin/bash
# Desktop test: under a Wayland compositor the window opens and animates wherever it did
# before the program chose its own way of presenting: through XWayland, where SDL prefers
# X11 and presents as on any X server, and natively, where SDL's software renderer has no
# window framebuffer to draw into and SDL goes on to its next renderer. The compositor is
# weston, nested in a private Xvfb with openbox (its headless backend has no seat, on which
# SDL 2.26 crashes as it starts).
# Usage: wayland_test.sh PROGRAM PICTURE PRESENT_HOOK
# shellcheck source=tests/desktop/desktop.sh
source "$(dirname "$0")/desktop.sh"

program=$1 picture=$2 hook=$3

readonly frames_seen=30

command -v weston >/dev/null || skip "weston is not installed (Debian package weston)"
desktop_start 24
cp "$picture" "$scratch/run/lsd.bmp"

# weston on the X server, its socket and log in a private runtime folder. Its XWayland
# server starts when a client first connects to the display it reports.
runtime=$scratch/runtime
mkdir -m 700 "$runtime"
weston_pid=""
stop_weston() {
    [[ -z $weston_pid ]] || end_process "$weston_pid"
    desktop_stop
}
trap stop_weston EXIT
xwayland=()
command -v Xwayland >/dev/null && xwayland=(--xwayland)
env XDG_RUNTIME_DIR="$runtime" HOME="$scratch/home" weston --backend=x11-backend.so \
    --use-pixman --socket=prismwarp-wayland --idle-time=0 --width=640 --height=480 \
    "${xwayland[@]}" >"$scratch/weston.log" 2>&1 &
weston_pid=$!
weston_ready() {
    [[ -S $runtime/prismwarp-wayland ]] &&
        { ((${#xwayland[@]} == 0)) || grep -q 'xserver listening on display' "$scratch/weston.log"; }
}
poll 30 weston_ready || fail "weston did not start: $(tail -n 3 "$scratch/weston.log")"

frames() {
    if [[ -e $scratch/presented ]]; then stat -c %s "$scratch/presented"; else echo 0; fi
}

animating_or_ended() {
    (($(frames) >= frames_seen)) || process_ended "$program_pid"
}

# Runs the program with "$@" set until it has presented frames_seen frames, then ends it
# with SIGTERM, which SDL turns into the quit that closing the window sends: status 0.
expect_frames() {
    rm -f "$scratch/presented"
    program_env=(LD_PRELOAD="$hook" PRISMWARP_PRESENT_LOG="$scratch/presented"
        XDG_RUNTIME_DIR="$runtime" "$@")
    start_program "$program" "$scratch/run"
    poll 60 animating_or_ended || fail "no $frames_seen frames within 60 s"
    expect_running "after $(frames) frames; stderr: $(cat "$scratch/stderr")"
    kill -TERM "$program_pid"
    wait_for_exit 10
    ((exit_status == 0)) || fail "exit status $exit_status after SIGTERM, expected 0"
    echo "  $(frames) frames presented"
}

step "natively, SDL choosing the driver: the window opens and animates"
expect_frames DISPLAY= SDL_VIDEODRIVER= WAYLAND_DISPLAY=prismwarp-wayland

step "natively, SDL_VIDEODRIVER=wayland: the window opens and animates"
expect_frames DISPLAY= SDL_VIDEODRIVER=wayland WAYLAND_DISPLAY=prismwarp-wayland

if ((${#xwayland[@]})); then
    step "through XWayland, as SDL prefers: the window opens and animates"
    display=$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$scratch/weston.log")
    expect_frames DISPLAY="$display" SDL_VIDEODRIVER= WAYLAND_DISPLAY=prismwarp-wayland
else
    echo "  (XWayland is not installed: Debian package xwayland)"
fi
