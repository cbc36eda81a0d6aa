#!/bin/bash
# Desktop test: a fatal error on a real X server shows the error box with the composed
# text, drawn by a dialog tool that can draw at the screen's depth, with the program's
# window gone from behind it; the program waits while it is open, and dismissing it ends
# the program with 1.
# Usage: error_box_test.sh PROGRAM PICTURE CASE TOOL
# TOOL is the dialog the program is given: xmessage, or zenity with xmessage to fall back
# on; "system" leaves the choice to the program's search of the system's folders.
# shellcheck source=tests/desktop/desktop.sh
source "$(dirname "$0")/desktop.sh"

program=$1 picture=$2 case_name=$3 tool=$4

# Case: screen depth, whether lsd.bmp is there, how the box is dismissed, the message.
case $case_name in
no_video_mode_8bit) # No 8-bit window can be had.
    depth=8 with_picture=yes dismiss=window_manager
    message=$'Couldnt Set Display Mode!\n' ;;
no_picture_closed)
    depth=24 with_picture=no dismiss=window_manager
    message=$'Unable to Load Image make sure its in the directory!\n' ;;
no_picture_ok_button)
    depth=24 with_picture=no dismiss=button
    message=$'Unable to Load Image make sure its in the directory!\n' ;;
no_picture_path_unset) # The dialog tool is found in the system's folders.
    depth=24 with_picture=no dismiss=window_manager program_path=unset
    message=$'Unable to Load Image make sure its in the directory!\n' ;;
no_picture_stderr_closed) # Started with 2>&-: no connection or file may take descriptor 2.
    depth=24 with_picture=no dismiss=window_manager program_stderr=closed
    message=$'Unable to Load Image make sure its in the directory!\n' ;;
*) fail "unknown case '$case_name'" ;;
esac
readonly caption="Unhandled Exception"

# The tools in the program's PATH, and the one expected to show the box. GTK draws nothing
# on a screen of fewer than 15 bits, so there zenity gives way to xmessage.
case $tool in
xmessage) expected=xmessage ;;
zenity)
    command -v zenity >/dev/null || skip "zenity is not installed (Debian package zenity)"
    [[ $program_path == unset ]] || program_path="zenity xmessage"
    expected=zenity
    ((depth >= 15)) || expected=xmessage ;;
system) expected="" ;;
*) fail "unknown tool '$tool'" ;;
esac

desktop_start "$depth"
[[ $with_picture == no ]] || cp "$picture" "$scratch/run/lsd.bmp"
# Without the picture a line says where it was looked for.
[[ $with_picture == yes ]] || message+="There is no lsd.bmp in $scratch/run."$'\n'
readonly text="Unhandled Exception: $message"$'\n'
start_program "$program" "$scratch/run"

step "a dialog titled '$caption' appears${expected:+, shown by $expected}"
poll 20 window_titled "$caption" || fail "no window titled '$caption' appeared"
dialog=$window

step "it shows the composed text, which stderr carries too"
# The dialog tool gets the text as its last argument.
child=$(program_child)
[[ -n $child ]] || fail "the program has no dialog process"
mapfile -d '' argv <"/proc/$child/cmdline"
[[ -z $expected || ${argv[0]} == "$expected" ]] ||
    fail "the dialog is ${argv[0]}, expected $expected"
shown=${argv[-1]}
[[ $shown == "$text" ]] || fail "the dialog shows $(printf '%q' "$shown"), expected $(printf '%q' "$text")"
if [[ $program_stderr == file ]]; then
    printf '%s' "$text" | cmp -s - "$scratch/stderr" ||
        fail "stderr is not exactly $(printf '%q' "$text")"
fi

step "the box is drawn, and no Prismwarp window stands behind it"
# An empty box is a single colour; text on a background is at least two.
box_drawn() {
    shot box && (($(colours box) >= 2))
}
poll 10 box_drawn || fail "the box is empty: a shot of it has $(colours box) colour"
! window_titled Prismwarp || fail "the Prismwarp window is still there behind the box"

step "the program waits while the dialog is open"
# Nothing to poll for: the program must simply still be there a while later.
sleep 2
expect_running "while the dialog was open"
window=$dialog
xwininfo -id "$dialog" >/dev/null 2>&1 || fail "the dialog went away by itself"

step "dismissing the dialog ($dismiss) ends the program with status 1"
case $dismiss in
window_manager) wmctrl -F -c "$caption" || fail "wmctrl could not close the dialog" ;;
button)
    # xmessage's button is a widget window of its own; zenity draws its widgets inside one
    # window, where its OK button has the focus and takes Return.
    if [[ ${argv[0]} == xmessage ]]; then
        click_lowest_widget
    else
        key_into_window Return
    fi ;;
esac
wait_for_exit 5
((exit_status == 1)) || fail "exit status $exit_status, expected 1"
echo "  ended ${exit_ms} ms after the dismissal"
