#!/bin/bash
# Desktop test: the program loses its X server while it draws. Xlib then ends it with
# exit(); it must end at once with a failure status, not stay behind spinning, and in its
# own words. Where the loss meets the program differs from run to run, so it is tried three
# times, each on an X server of its own.
# Usage: display_lost_test.sh PROGRAM PICTURE [once]
# shellcheck source=tests/desktop/desktop.sh
source "$(dirname "$0")/desktop.sh"

program=$1 picture=$2

if [[ ${3:-} != once ]]; then
    for round in 1 2 3; do
        echo "round $round"
        status=0
        bash "$0" "$program" "$picture" once || status=$?
        ((status == 0)) || exit "$status"
    done
    exit 0
fi

desktop_start 24
cp "$picture" "$scratch/run/lsd.bmp"
start_program "$program" "$scratch/run"

step "the window appears"
poll 60 window_titled Prismwarp || fail "no window titled Prismwarp appeared"
expect_running "before the X server went away"

# A write to the X connection after the server has gone raises SIGPIPE, where the loss is
# first met in a write; that must not end the program before it can say why. Sent by hand
# here, so that each round meets it: the program would end with status 141.
step "SIGPIPE while it draws does not end it"
kill -PIPE "$program_pid"

step "the X server goes away; the program ends with a failure status"
end_process "$xvfb_pid"
xvfb_pid=""
wait_for_exit 10
((exit_status != 0)) || fail "exit status 0 after losing the display"
echo "  ended ${exit_ms} ms after the X server, status $exit_status"
step "it says so in its own words, not Xlib's"
printf 'Unhandled Exception: Couldnt Set Display Mode!\n\n' | cmp -s - "$scratch/stderr" ||
    fail "stderr holds $(printf '%q' "$(cat "$scratch/stderr")")"
