#!/bin/bash
# Desktop test: full screen and a window larger than the frame show the frame blown up by the
# largest whole factor that fits, centred on black, each pixel a block of its own colour: the
# screen the X server shows, read back, is the window's own frame so blown up. Leaving, the
# window is 320x240 again and animates; closed from full screen, the program ends with 0.
# Usage: fullscreen_test.sh PROGRAM PICTURE PRESENT_HOOK WINDOW_PIXELS DEPTH CASE
# CASE is how the frame is taken full screen and back: f11 (F11, then Escape), alt_enter
# (Alt+Enter both ways), window_manager (the window manager's own full screen, on and off),
# or resize (a window manager that ignores the window's size hints makes it 800x600, then
# gives it back its size).
# shellcheck source=tests/desktop/desktop.sh
source "$(dirname "$0")/desktop.sh"

program=$1 picture=$2 hook=$3 window_pixels=$4 depth=$5 case_name=$6

# The frame compared: after the factor's first reset, in the twelfth frame.
readonly frame=40

command -v xwd >/dev/null || skip "xwd is not installed (Debian package x11-apps)"
command -v xprop >/dev/null || skip "xprop is not installed (Debian package x11-utils)"
desktop_start "$depth"
cp "$picture" "$scratch/run/lsd.bmp"

# The hook writes the surface of present K before it stops the program after it.
stopped_after() {
    [[ -s $scratch/$1 ]] && process_stopped "$program_pid"
}

manager_full_screen() {
    xprop -id "$window" _NET_WM_STATE 2>/dev/null | grep -q _NET_WM_STATE_FULLSCREEN
}

not_frame_sized() {
    [[ $(window_geometry) != "320x240 "* ]]
}

window_back() {
    [[ $(window_geometry) == "320x240 $depth" ]] && window_viewable
}

# The window manager gives the window its size back whether or not the program has left; a
# frame still blown up shows there as the black (or, scaled by SDL, near black) left of it.
own_left_columns() {
    greater "$(convert "$scratch/$1.png" -crop 8x240+0+0 +repage -format '%[fx:maxima]' info:)" 0.1
}

# Starts the program stopped before its first present and after each present named, writing
# the surface each showed to $scratch/NAME-K; lets it go on once its window is shown.
start_stopping() {
    local name=$1 stops=$2
    program_env=(LD_PRELOAD="$hook" PRISMWARP_STOP_AT="$stops"
        PRISMWARP_SURFACE_DUMP="$scratch/$name-%d")
    start_program "$program" "$scratch/run"
    poll 60 process_stopped "$program_pid" || fail "the program did not reach its first present"
    poll 20 window_titled Prismwarp || fail "no window titled Prismwarp appeared"
    poll 20 window_viewable || fail "the window was not shown"
    kill -CONT "$program_pid"
}

# Takes the frame full screen (or into the larger window) the case's way, or back.
enter() {
    case $case_name in
    f11) xdotool key --window "$window" F11 ;;
    alt_enter) xdotool key --window "$window" alt+Return ;;
    window_manager)
        wmctrl -i -r "$window" -b add,fullscreen
        poll 10 manager_full_screen || fail "the window manager did not take the window full screen" ;;
    resize)
        # A tiling window manager sizes windows as it likes: without the size hints openbox
        # does too. The window stays on the screen, where the X server can read it back.
        xprop -id "$window" -remove WM_NORMAL_HINTS
        wmctrl -i -r "$window" -e 0,0,0,800,600
        poll 10 not_frame_sized || fail "the window manager did not resize the window" ;;
    esac
}

leave() {
    case $case_name in
    f11) xdotool key --window "$window" Escape ;;
    alt_enter) xdotool key --window "$window" alt+Return ;;
    window_manager) wmctrl -i -r "$window" -b remove,fullscreen ;;
    resize)
        xprop -id "$window" -remove WM_NORMAL_HINTS
        wmctrl -i -r "$window" -e 0,0,0,320,240 ;;
    esac
}

step "frame $frame in the window, at its own size"
start_stopping window "$frame"
poll 60 stopped_after "window-$frame" || fail "the program did not stop at frame $frame"
end_process "$program_pid"
program_pid=""

step "frame $frame after the switch ($case_name): the frame blown up, centred on black"
start_stopping switched "2,$frame"
poll 60 stopped_after switched-2 || fail "the program did not stop at frame 2"
enter
kill -CONT "$program_pid"
poll 60 stopped_after "switched-$frame" || fail "the program did not stop at frame $frame"
if [[ $case_name == resize ]]; then
    xwd -silent -id "$window" -out "$scratch/shown.xwd" || fail "xwd could not read the window"
else
    xwd -silent -root -out "$scratch/shown.xwd" || fail "xwd could not read the screen"
fi
"$window_pixels" --scaled "$scratch/window-$frame" "$scratch/shown.xwd" ||
    fail "the screen does not show the window's frame blown up"

step "back ($case_name): the window is 320x240 again and animates"
program_env=()
kill -CONT "$program_pid"
leave
poll 20 window_back || fail "the window is $(window_geometry), expected 320x240 $depth"
shot_run=0
poll 10 shots_in_a_row back 3 own_left_columns || fail "the window shows the left of a frame blown up, not the frame"
changed() {
    shot later && [[ $(pixel_hash later) != "$(pixel_hash back)" ]]
}
poll 10 changed || fail "the window did not change within 10 s"

if [[ $case_name != resize ]]; then
    step "closed from full screen, the program ends with status 0"
    enter
    full_screen_shown() {
        [[ $(window_geometry) == "1024x768 "* ]]
    }
    poll 20 full_screen_shown || fail "the window is $(window_geometry), not full screen"
    close_window 10
fi
