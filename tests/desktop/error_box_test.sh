#!/bin/bash
# Desktop test: a fatal error on a real X server shows the error box with the composed
# text, the program waits while it is open, and dismissing it ends the program with 1.
# Usage: error_box_test.sh PROGRAM PICTURE CASE
# shellcheck source=tests/desktop/desktop.sh
source "$(dirname "$0")/desktop.sh"

program=$1
picture=$2
case_name=$3

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
readonly text="Unhandled Exception: $message"$'\n'
readonly caption="Unhandled Exception"

desktop_start "$depth"
[[ $with_picture == no ]] || cp "$picture" "$scratch/run/lsd.bmp"
start_program "$program" "$scratch/run"

step "a dialog titled '$caption' appears"
poll 20 window_titled "$caption" || fail "no window titled '$caption' appeared"
dialog=$window

step "it shows the composed text, which stderr carries too"
# The dialog tool gets the text as its last argument.
child=$(program_child)
[[ -n $child ]] || fail "the program has no dialog process"
mapfile -d '' argv <"/proc/$child/cmdline"
shown=${argv[-1]}
[[ $shown == "$text" ]] || fail "the dialog shows $(printf '%q' "$shown"), expected $(printf '%q' "$text")"
if [[ $program_stderr == file ]]; then
    printf '%s' "$text" | cmp -s - "$scratch/stderr" ||
        fail "stderr is not exactly $(printf '%q' "$text")"
fi

if [[ $depth == 8 ]]; then
    ! window_titled Prismwarp || fail "a Prismwarp window opened without a video mode"
fi

step "the program waits while the dialog is open"
# Nothing to poll for: the program must simply still be there a while later.
sleep 2
expect_running "while the dialog was open"
window=$dialog
xwininfo -id "$dialog" >/dev/null 2>&1 || fail "the dialog went away by itself"

step "dismissing the dialog ($dismiss) ends the program with status 1"
case $dismiss in
window_manager) wmctrl -F -c "$caption" || fail "wmctrl could not close the dialog" ;;
button) click_lowest_widget ;;
esac
wait_for_exit 5
((exit_status == 1)) || fail "exit status $exit_status, expected 1"
echo "  ended ${exit_ms} ms after the dismissal"
