#!/bin/bash
# The Windows program, cross-built by windows_cross_build, run under Wine on a private X
# server with openbox at one colour depth, from a folder that holds only what a Windows user
# has: prismwarp.exe, SDL.dll and lsd.bmp. It is used as a person would: the window appears,
# animates, takes Up and Down in its focus, goes full screen and back with F11, Escape and
# Alt+Enter (the frame blown up by a whole factor, centred on black), and closes through the
# window manager; without the picture its error box is dismissed by Return, its OK button and
# the window manager.
# Given ZIP, the Windows package, the test runs what a user of the package has instead: the
# zip unpacked into an empty folder, which must hold one folder with the program, SDL.dll,
# the picture, the texts on running them and the licences, and nothing else.
# Usage: run_test.sh ROOT DEPTH WINDOW_PIXELS [ZIP]
# WINDOW_PIXELS is the desktop tests' tool that tells a frame blown up.
# shellcheck source=tests/desktop/desktop.sh
source "$(dirname "$0")/../desktop/desktop.sh"
root=$1 depth=$2 window_pixels=$3 zip=${4:-}
# shellcheck source=tests/windows/windows.sh
source "$(dirname "$0")/windows.sh"

# Many colours in a frame and in each quarter, as the Linux window test asks.
readonly min_colours=10000 min_quarter_colours=1000
readonly caption="Unhandled Exception"
readonly picture_error=$'Unhandled Exception: Unable to Load Image make sure its in the directory!\n'

if [[ -n $zip ]]; then
    require_wine
    command -v unzip >/dev/null || skip "unzip is not installed (Debian package unzip)"
    [[ -f $zip ]] || skip "no $zip: scripts/package.sh makes it"
    mkdir -p "$root"
else
    require_cross_build
fi
command -v xprop >/dev/null || skip "xprop is not installed (Debian package x11-utils)"
desktop_start "$depth"
trap 'wine_prefix_stop; desktop_stop' EXIT
wine_prefix_start

# The program's folders: the user's, and the same without the picture.
if [[ -n $zip ]]; then
    step "the zip, unpacked into an empty folder, holds one folder with the program"
    name=$(basename "$zip" .zip)
    mkdir "$scratch/unpacked"
    unzip -q "$zip" -d "$scratch/unpacked" || fail "unzip could not unpack $zip"
    held=$(find "$scratch/unpacked" -mindepth 1 -maxdepth 1 -printf '%f ')
    [[ $held == "$name " ]] || fail "the zip holds ${held}rather than the folder $name alone"
    held=$(find "$scratch/unpacked/$name" -mindepth 1 -printf '%P\n' | LC_ALL=C sort | tr '\n' ' ')
    expected="LICENSE.txt README-SDL.txt README.txt SDL.dll lsd.bmp prismwarp.exe "
    [[ $held == "$expected" ]] || fail "the folder holds $held, expected $expected"
    mv "$scratch/unpacked/$name" "$scratch/user"
else
    mkdir "$scratch/user"
    cp "$cross_build/prismwarp.exe" "$sdl_dir/bin/SDL.dll" "$cross_build/lsd.bmp" "$scratch/user/"
fi
cp -r "$scratch/user" "$scratch/nopicture"
rm "$scratch/nopicture/lsd.bmp"
# The box says where the picture was looked for, the folder in Windows' words.
nopicture_folder=$(winepath -w "$scratch/nopicture" 2>/dev/null) ||
    fail "winepath could not name $scratch/nopicture"
box_text="${picture_error}There is no lsd.bmp in ${nopicture_folder}."$'\n\n'

# Starts the program under Wine in `folder`. Wine logs the text of every message box.
start_windows_program() {
    (cd "$1" && exec env WINEDEBUG=-all,trace+msgbox wine prismwarp.exe) \
        >"$scratch/stdout" 2>"$scratch/stderr" &
    program_pid=$!
}

# The number of colours of shot `name`, and of each quarter.
expect_many_colours() {
    local name=$1 n
    n=$(colours "$name")
    ((n >= min_colours)) || return 1
    for n in $(quarter_colours "$name"); do
        ((n >= min_quarter_colours)) || return 1
    done
}

step "the window: 'Prismwarp', 320x240 at $depth bits"
start_windows_program "$scratch/user"
poll 60 window_titled Prismwarp ||
    fail "no window titled Prismwarp appeared; Wine says: $(tail -n 5 "$scratch/stderr")"
geometry=$(window_geometry)
[[ $geometry == "320x240 $depth" ]] || fail "window is '$geometry' (size depth), expected '320x240 $depth'"

step "it animates in many colours"
drawn() {
    shot first && expect_many_colours first
}
poll 20 drawn || fail "no frame with $min_colours colours, $min_quarter_colours in each quarter"
first_hash=$(pixel_hash first)
later_differs() {
    shot later && expect_many_colours later && [[ $(pixel_hash later) != "$first_hash" ]]
}
poll 10 later_differs || fail "the window did not change within 10 s"

step "Up in its focus turns the overlay on, Down turns it off"
expect_overlay_keys key_into_window later

# The screen shows a frame of 320x240 blown up by the largest whole factor, centred on
# black. The frame changes while the screen is read; a read that lands between two is taken
# again.
blown_up() {
    xwd -silent -root -out "$scratch/screen.xwd" &&
        "$window_pixels" --blocks 320 240 "$scratch/screen.xwd" >"$scratch/blocks.log"
}
full_screen() {
    window_titled Prismwarp && [[ $(window_geometry) == "1024x768 $depth" ]]
}
back_in_the_window() {
    window_titled Prismwarp && [[ $(window_geometry) == "320x240 $depth" ]]
}
for keys in "F11 Escape" "alt+Return alt+Return"; do
    read -r into out <<<"$keys"
    step "$into takes it full screen, the frame blown up and centred; $out brings the window back"
    key_into_window "$into"
    poll 20 full_screen || fail "the window is $(window_geometry), not full screen"
    poll 10 blown_up || fail "the screen is not a frame blown up: $(tail -n 2 "$scratch/blocks.log")"
    key_into_window "$out"
    poll 20 back_in_the_window || fail "the window is $(window_geometry) after $out"
done

step "closed from full screen through the window manager, it ends with status 0"
key_into_window F11
poll 20 full_screen || fail "the window is $(window_geometry), not full screen"
close_window 10

# Clicks the box's OK button. Wine draws the button itself, inside the box's one X window:
# one button, centred, its middle 22 pixels above the box's bottom edge.
click_ok_button() {
    local x y width height
    read -r x y width height < <(xwininfo -id "$window" | awk '
        /Absolute upper-left X:/ { x = $NF } /Absolute upper-left Y:/ { y = $NF }
        /^ +Width:/ { w = $2 } /^ +Height:/ { h = $2 } END { print x, y, w, h }')
    xdotool mousemove $((x + width / 2)) $((y + height - 22)) click 1
}

# On a busy machine Wine may still be laying the box out when it is first clicked, and that
# click is lost: the button is clicked again each second until the program has ended.
clicked_until_ended() {
    process_ended "$program_pid" && return 0
    if (($(now_ms) >= next_click)); then
        click_ok_button
        next_click=$(($(now_ms) + 1000))
    fi
    return 1
}

for dismiss in Return button window_manager; do
    step "without lsd.bmp, the error box; dismissed by $dismiss it ends the program with 1"
    start_windows_program "$scratch/nopicture"
    poll 60 window_titled "$caption" || fail "no window titled '$caption' appeared"
    box=$window
    # GetForegroundWindow gave the program's window as the box's owner, and Wine tells the
    # window manager so.
    owner=$(xprop -id "$box" WM_TRANSIENT_FOR | awk '/window id/ { print $NF }')
    window_titled Prismwarp || fail "the program's window is gone while its box is open"
    [[ $owner == 0x* && $((owner)) == "$window" ]] ||
        fail "the box belongs to window '$owner', not to the program's $(printf 0x%x "$window")"
    # Wine logs the box's text as a wide string literal, line feeds as \n.
    escaped=${box_text//\\/\\\\}
    escaped=${escaped//$'\n'/\\n}
    logged=$(sed -n 's/^.*trace:msgbox:MSGBOX_OnInit //p' "$scratch/stderr")
    [[ $logged == "L\"$escaped\"" ]] || fail "the box shows $logged, expected L\"$escaped\""
    sleep 1
    expect_running "while the box was open"
    window=$box
    case $dismiss in
    Return) key_into_window Return ;;
    button) next_click=0 && poll 10 clicked_until_ended || true ;;
    window_manager) wmctrl -F -c "$caption" || fail "wmctrl could not close the box" ;;
    esac
    wait_for_exit 10
    ((exit_status == 1)) || fail "exit status $exit_status, expected 1"
done
