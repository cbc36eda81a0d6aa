#!/bin/bash
# Desktop test: a hidden window is not drawn. Minimised, and then unmapped, the program
# waits for events and uses next to no CPU; shown again, it animates again.
# Usage: hidden_test.sh PROGRAM PICTURE
# shellcheck source=tests/desktop/desktop.sh
source "$(dirname "$0")/desktop.sh"

program=$1 picture=$2

# CPU time is counted in clock ticks. A program that draws uses a large share of a core,
# even on a busy machine; one that waits uses none, but for a tick now and then for the
# window's events: at most this share of the time it is hidden, in per cent of a core.
hz=$(getconf CLK_TCK)
readonly hz
readonly idle_percent=2
readonly measured_seconds=5

# The CPU time the program has used, in clock ticks (user and system time).
cpu_ticks() {
    local stat fields
    stat=$(<"/proc/$program_pid/stat")
    read -ra fields <<<"${stat##*) }"
    echo $((fields[11] + fields[12]))
}

# True when the program used at most `idle_percent` of a core over the last second.
idle_for_a_second() {
    local before
    before=$(cpu_ticks)
    sleep 1
    expect_running "while hidden"
    ((100 * ($(cpu_ticks) - before) <= idle_percent * hz))
}

desktop_start 24
cp "$picture" "$scratch/run/lsd.bmp"
start_program "$program" "$scratch/run"

step "the window appears and animates"
poll 60 window_titled Prismwarp || fail "no window titled Prismwarp appeared"
program_window=$window
drawn() {
    shot shown && (($(colours shown) >= 10000))
}
poll 10 drawn || fail "the window shows $(colours shown) colours, expected at least 10000"

for way in minimised unmapped; do
    step "$way, it waits: at most $idle_percent% of a core over $measured_seconds s"
    case $way in
    minimised) xdotool windowminimize "$program_window" ;;
    unmapped) xdotool windowunmap "$program_window" ;;
    esac
    # The program sees the change when it reads its events; until then it draws on.
    poll 20 idle_for_a_second || fail "still drawing 20 s after the window was $way"
    before=$(cpu_ticks)
    sleep "$measured_seconds"
    used=$(($(cpu_ticks) - before))
    expect_running "while $way"
    ((100 * used <= idle_percent * hz * measured_seconds)) ||
        fail "$used ticks of $((hz * measured_seconds)) in $measured_seconds s while $way"
    echo "  $used ticks of $((hz * measured_seconds)) in $measured_seconds s"

    step "shown again, it animates again"
    case $way in
    minimised) xdotool windowactivate "$program_window" 2>/dev/null || true ;;
    unmapped) xdotool windowmap "$program_window" ;;
    esac
    window=$program_window
    # The window can be shot once it is in view again.
    poll 10 shot back 2>/dev/null || fail "the window was not shown again within 10 s"
    back_hash=$(pixel_hash back)
    moved_on() {
        shot later && [[ $(pixel_hash later) != "$back_hash" ]]
    }
    poll 10 moved_on || fail "the window did not change within 10 s of being shown again"
done

step "closing the window ends the program with status 0"
close_window 5
