#!/bin/bash
# Desktop test: the demo on a real X server at one colour depth, used as a person would:
# the window appears, animates, takes Up and Down, and closes through the window manager.
# Usage: window_test.sh PROGRAM PICTURE DEPTH
# shellcheck source=tests/desktop/desktop.sh
source "$(dirname "$0")/desktop.sh"

program=$1 picture=$2 depth=$3

# Many colours: the picture's waves give tens of thousands in a frame; 16 bits still keep
# far more than this. Each quarter must have its share, so no part is left undrawn.
readonly min_colours=10000
readonly min_quarter_colours=1000
# Levels of red in a frame: a screen of 8 bits a channel shows far more than 64 (the picture
# and the warp spread them over all 256); a 16-bit screen has 5 bits of red, 32 levels.
readonly min_red_levels=64
readonly red_levels_16bit=32

desktop_start "$depth"
cp "$picture" "$scratch/run/lsd.bmp"
start_program "$program" "$scratch/run"

step "a 320x240 window titled Prismwarp appears at the screen's depth"
# A limit on hanging, not a measure of speed: a busy machine may take a while.
poll 60 window_titled Prismwarp ||
    fail "no window titled Prismwarp appeared; the program $(process_alive "$program_pid" &&
        echo runs || echo ended), its stderr: $(cat "$scratch/stderr"), the windows:
$(xwininfo -root -tree)"
geometry=$(window_geometry)
[[ $geometry == "320x240 $depth" ]] ||
    fail "window is '$geometry' (size depth), expected '320x240 $depth'"

step "it shows the picture in many colours, in every quarter"
# The window is mapped before the picture is loaded, so its first shots may still be black.
many_colours() {
    shot first && (($(colours first) >= min_colours))
}
poll 10 many_colours || fail "a frame has $(colours first) colours, expected at least $min_colours"
mapfile -t quarters < <(quarter_colours first)
((${#quarters[@]} == 4)) || fail "could not count the colours of the quarters"
for quarter in 0 1 2 3; do
    n=${quarters[quarter]}
    ((n >= min_quarter_colours)) ||
        fail "quarter $((quarter + 1)) of a frame has $n colours, expected at least $min_quarter_colours"
done

step "it has the screen's colour resolution"
levels=$(red_levels first)
if ((depth == 16)); then
    ((levels <= red_levels_16bit)) ||
        fail "$levels levels of red on a 16-bit screen, expected at most $red_levels_16bit"
else
    # A deep-colour screen (30 bits) shows what a 24-bit one does, not 16-bit colour.
    ((levels >= min_red_levels)) ||
        fail "$levels levels of red at $depth bits, expected at least $min_red_levels"
fi

step "it animates: a later shot differs"
first_hash=$(pixel_hash first)
shot_differs() {
    shot later && [[ $(pixel_hash later) != "$first_hash" ]]
}
poll 10 shot_differs || fail "the window did not change within 10 s"

step "Up turns the blend overlay on, Down turns it off again"
expect_running "before the keys"
key_to_window() {
    xdotool key --window "$window" "$1"
}
expect_overlay_keys key_to_window later

step "closing the window through the window manager ends the program with status 0"
close_window 5
echo "  ended ${exit_ms} ms after the close"
