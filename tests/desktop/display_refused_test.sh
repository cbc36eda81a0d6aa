#!/bin/bash
# Desktop test: an X server that refuses the program (no authorization cookie for it, as
# after su) is no display. The program fails with the video mode's error and status 1, and
# stderr holds what Xlib and the Wayland client library said on the way, then our text.
# Usage: display_refused_test.sh PROGRAM PICTURE
# shellcheck source=tests/desktop/desktop.sh
source "$(dirname "$0")/desktop.sh"

program=$1 picture=$2

readonly expected_stderr=$'Authorization required, but no authorization protocol specified\n\n'\
$'error: XDG_RUNTIME_DIR is invalid or not set in the environment.\n'\
$'Unhandled Exception: Couldnt Set Display Mode!\n\n'

# The server takes one cookie, which nobody has: it lets no client in. The authority file
# holds one entry: any address and display, the cookie's name and its 16 bytes, each field
# after its length in two bytes, most significant first.
# The server reads the file when the first client comes, so it stays until the end.
cookies=$(mktemp "${TMPDIR:-/tmp}/prismwarp-cookies.XXXXXX")
trap 'rm -f "$cookies"' EXIT
{
    printf '\377\377\0\0\0\0\0\022MIT-MAGIC-COOKIE-1\0\020'
    head -c 16 /dev/urandom
} >"$cookies"
xvfb_start 24 -auth "$cookies"
trap 'desktop_stop; rm -f "$cookies"' EXIT
cp "$picture" "$scratch/run/lsd.bmp"
# As su, cron and containers often leave it: no XDG_RUNTIME_DIR; and no video driver
# chosen, so that SDL tries the others once X11 has failed.
program_unset=(XDG_RUNTIME_DIR)
program_driver=""
# Before zenity the program asks the display for its depth; that refusal is not printed.
! command -v zenity >/dev/null || program_path="zenity xmessage"
start_program "$program" "$scratch/run"

step "the program ends with status 1"
wait_for_exit 60
((exit_status == 1)) || fail "exit status $exit_status, expected 1"

step "stderr holds Xlib's refusal, the Wayland library's complaint and our text"
printf '%s' "$expected_stderr" | cmp -s - "$scratch/stderr" ||
    fail "stderr is $(printf '%q' "$(<"$scratch/stderr")"), expected $(printf '%q' "$expected_stderr")"
