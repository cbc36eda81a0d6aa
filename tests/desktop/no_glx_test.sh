#!/bin/bash
# Desktop test: the program needs no GLX. Where SDL presents through OpenGL, a failure of GLX
# ends a program through Xlib's default error handler, with neither its error box nor its
# text: with LIBGL_ALWAYS_INDIRECT=1 on a server without indirect GLX (what ssh -X to many
# machines gives), and under a limit on the address space, where Mesa cannot load its
# driver. The program presents without OpenGL, so in both cases its window opens and
# animates; under limits too low for the display to be used at all it says so in its own
# words, with status 1.
# Usage: no_glx_test.sh PROGRAM PICTURE PRESENT_HOOK CASE
# CASE is "indirect" or "address_space".
# shellcheck source=tests/desktop/desktop.sh
source "$(dirname "$0")/desktop.sh"

program=$1 picture=$2 hook=$3 case_name=$4

case $case_name in
indirect)
    # Indirect GLX is off by default in Xvfb since X.Org server 1.17; said here all the same.
    xvfb_options=(-iglx)
    glx_env=(LIBGL_ALWAYS_INDIRECT=1)
    limit_kib="" ;;
address_space)
    # AddressSanitizer reserves terabytes of address space for its shadow memory.
    # Read whole first: grep -q leaving early would end ldd by SIGPIPE, failing the pipe.
    libraries=$(ldd "$program" 2>/dev/null || true)
    [[ $libraries != *libasan* ]] ||
        skip "the program is built with AddressSanitizer, which cannot run under an address-space limit"
    glx_env=()
    limit_kib=60000 ;;
*) fail "unknown case '$case_name'" ;;
esac

# The texts the program fails with, as the whole of its stderr.
readonly display_text=$'Unhandled Exception: Couldnt Set Display Mode!\n\n'
readonly own_texts=(
    "$display_text"
    $'Unhandled Exception: Unable to Load Image make sure its in the directory!\n\n'
    $'Unhandled Exception: Error Couldnt Initalize SDL!\n\n'
)
readonly frames_seen=30

desktop_start 24
cp "$picture" "$scratch/run/lsd.bmp"
mkdir "$scratch/no-tools"

frames() {
    if [[ -e $scratch/presented ]]; then stat -c %s "$scratch/presented"; else echo 0; fi
}

animating() {
    (($(frames) >= frames_seen))
}

animating_or_ended() {
    animating || process_ended "$program_pid"
}

# Starts the program with the present log, the case's variables and "$@", under the
# address-space limit `kib` when it is not empty. No dialog tool is found, so an error ends
# the program at once.
start_case() {
    local kib=$1
    shift
    rm -f "$scratch/presented"
    program_env=(LD_PRELOAD="$hook" PRISMWARP_PRESENT_LOG="$scratch/presented"
        PATH="$scratch/no-tools" "${glx_env[@]}" "$@")
    local run=$program
    if [[ -n $kib ]]; then
        # The limit is set by a script that then becomes the program.
        run=$scratch/limited
        printf '#!/bin/bash\nulimit -v %s || exit 125\nexec %q\n' "$kib" "$program" >"$run"
        chmod +x "$run"
    fi
    start_program "$run" "$scratch/run"
}

# Closes the animating program through the window manager: status 0, nothing on stderr.
close_cleanly() {
    close_window 10
    [[ ! -s $scratch/stderr ]] || fail "stderr holds: $(cat "$scratch/stderr")"
}

step "with OpenGL chosen, GLX fails: the program says so in its own words, with status 1"
start_case "$limit_kib" SDL_RENDER_DRIVER=opengl
poll 60 animating_or_ended || fail "the program neither animated nor ended within 60 s"
if process_ended "$program_pid"; then
    wait_for_exit 1
    # Mesa may have written its own complaint first; Xlib may not have written anything.
    ! grep -qE '^(X Error|XIO)' "$scratch/stderr" || fail "Xlib ended the program: $(cat "$scratch/stderr")"
    tail -c ${#display_text} "$scratch/stderr" | cmp -s - <(printf '%s' "$display_text") ||
        fail "stderr does not end with the program's text: $(cat "$scratch/stderr")"
    ((exit_status == 1)) || fail "status $exit_status, expected 1"
    echo "  status 1: $(grep -m 1 Unhandled "$scratch/stderr")"
else
    # The case proves less on this machine, but what follows still holds.
    echo "  OpenGL presents here after all"
    end_process "$program_pid"
    program_pid=""
fi

step "the program's own presenting: the window opens and animates"
start_case "$limit_kib"
poll 60 animating_or_ended || fail "no $frames_seen frames within 60 s"
expect_running "after $(frames) frames"
poll 20 window_titled Prismwarp || fail "no window titled Prismwarp appeared"
shot first
shot_differs() {
    shot later && [[ $(pixel_hash later) != "$(pixel_hash first)" ]]
}
poll 10 shot_differs || fail "the window did not change within 10 s"
echo "  $(frames) frames presented"
close_cleanly

if [[ $case_name == address_space ]]; then
    # From limits where the SDL 1.2 layer cannot even load SDL 2 up to ones where the
    # program runs; which limit fails where differs from machine to machine.
    for kib in 23500 24000 25000 26000 28000 32000 40000; do
        step "under a limit of $kib KiB: it animates, or fails in its own words"
        start_case "$kib"
        poll 60 animating_or_ended || fail "neither animating nor ended within 60 s"
        if animating; then
            echo "  animates"
            close_cleanly
            continue
        fi
        wait_for_exit 1
        if printf 'Failed loading SDL2 library.\n' | cmp -s - "$scratch/stderr"; then
            # sdl12-compat ends the process as it loads, before any code of ours runs.
            echo "  the SDL 1.2 layer cannot load SDL 2 (status $exit_status)"
            continue
        fi
        known=no
        for text in "${own_texts[@]}"; do
            if printf '%s' "$text" | cmp -s - "$scratch/stderr"; then known=yes; fi
        done
        [[ $known == yes ]] ||
            fail "status $exit_status, stderr $(printf '%q' "$(cat "$scratch/stderr")")"
        ((exit_status == 1)) || fail "status $exit_status, expected 1"
        echo "  status 1: $(head -n 1 "$scratch/stderr")"
    done
fi
