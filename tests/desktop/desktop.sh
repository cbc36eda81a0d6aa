# Desktop test helpers: a private X server with a window manager, the program started in a
# scratch folder, and measures of screenshots, beside the checks of every test script
# (checks.sh). Sourced by the desktop test scripts. Every process started here is ended
# here, by its id.
# shellcheck shell=bash disable=SC2034 # results such as exit_status are read by the test scripts

# shellcheck source=tests/support/checks.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/checks.sh"

xvfb_pid=""
wm_pid=""
program_pid=""
window=""
exit_status=""
exit_ms=""

# --- X server and window manager -----------------------------------------------------------

display_reported() {
    grep -qsx '[0-9][0-9]*' "$scratch/display"
}

# Prints the state and the parent id of a process from /proc; fails when it is gone. The
# fields follow the command name in parentheses, which may hold spaces.
process_state() {
    local stat
    { stat=$(<"/proc/$1/stat"); } 2>/dev/null || return 1
    echo "${stat##*) }" | cut -d ' ' -f 1,2
}

process_alive() {
    local state
    state=$(process_state "$1") || return 1
    [[ $state != Z* ]]
}

process_ended() {
    ! process_alive "$1"
}

# Xvfb has either reported its display or ended.
xvfb_settled() {
    display_reported || process_ended "$xvfb_pid"
}

window_manager_up() {
    wmctrl -m >/dev/null 2>&1
}

# More options for Xvfb, and the size of its screen, set before desktop_start.
xvfb_options=()
xvfb_size=1024x768

# Makes the scratch folder and starts Xvfb with one screen of `depth` bits on a free
# display, with the further options given, and names that display in DISPLAY. Skips the
# test where Xvfb is missing or cannot run.
xvfb_start() {
    local depth=$1
    shift
    command -v Xvfb >/dev/null || skip "Xvfb is not installed (Debian package xvfb)"
    scratch=$(mktemp -d "${TMPDIR:-/tmp}/prismwarp-desktop.XXXXXX")
    trap desktop_stop EXIT
    mkdir "$scratch/run" "$scratch/bin" "$scratch/home"

    # Xvfb chooses a free display number and writes it to fd 3 once it takes clients.
    Xvfb -displayfd 3 -nolisten tcp -noreset -screen 0 "${xvfb_size}x$depth" "$@" \
        3>"$scratch/display" >"$scratch/xvfb.log" 2>&1 &
    xvfb_pid=$!
    poll 60 xvfb_settled || fail "Xvfb did not report a display within 60 s"
    display_reported ||
        skip "Xvfb cannot run here: $(tail -n 3 "$scratch/xvfb.log" | tr '\n' ' ')"
    DISPLAY=":$(<"$scratch/display")"
    export DISPLAY
}

# Starts Xvfb with one screen of `depth` bits (of xvfb_size pixels) on a free display and openbox on it, and
# makes the scratch folder. Skips the test where Xvfb or a tool is missing or cannot run.
desktop_start() {
    local depth=$1 tool missing=()
    command -v Xvfb >/dev/null || skip "Xvfb is not installed (Debian package xvfb)"
    for tool in openbox fc-cache wmctrl xdotool xwininfo xmessage import identify convert; do
        command -v "$tool" >/dev/null || missing+=("$tool")
    done
    ((${#missing[@]} == 0)) ||
        skip "desktop tools missing: ${missing[*]} (Debian: openbox fontconfig wmctrl xdotool x11-utils imagemagick)"
    xvfb_start "$depth" "${xvfb_options[@]}"

    # openbox keeps its settings and caches in the scratch folder. On a fresh machine its
    # first start finds font folders without a fontconfig cache, and a window mapped while
    # it scans them is never framed; so the caches are brought up to date first.
    local wm_env=(HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home"
        XDG_CACHE_HOME="$scratch/home")
    env "${wm_env[@]}" fc-cache >/dev/null 2>&1 || true
    env "${wm_env[@]}" openbox --sm-disable >"$scratch/openbox.log" 2>&1 &
    wm_pid=$!
    poll 20 window_manager_up || fail "openbox did not start: $(tail -n 3 "$scratch/openbox.log")"

    # openbox names itself before it frames windows. A program whose window it never frames
    # waits for that window to be mapped for ever, so a probe window must be framed first.
    xmessage -name prismwarp-probe -title prismwarp-probe probe >/dev/null 2>&1 &
    local probe=$!
    probe_asked=$(now_ms)
    poll 60 probe_managed || fail "openbox managed no window within 60 s"
    end_process "$probe"
}

# The probe window is in the window manager's list of managed windows. A request to map it
# that reaches openbox while it is still starting can be dropped, and then the window is
# never framed; so while it is not, the request is made again, once a second. A request
# openbox still holds is not harmed by a second one.
probe_asked=0
probe_managed() {
    wmctrl -l 2>/dev/null | grep -q prismwarp-probe && return
    (($(now_ms) - probe_asked >= 1000)) || return 1
    probe_asked=$(now_ms)
    local id
    for id in $(xdotool search --name '^prismwarp-probe$' 2>/dev/null); do
        xdotool windowmap "$id" 2>/dev/null || true
    done
    return 1
}

# Ends one of our processes: asks first, and kills it when it has not ended within 3 s
# (the program turns SIGTERM into a quit event, which it cannot see while its box is up).
end_process() {
    local pid=$1
    kill "$pid" 2>/dev/null || return 0
    poll 3 process_ended "$pid" || kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}

desktop_stop() {
    local pid
    for pid in $program_pid $wm_pid $xvfb_pid; do
        end_process "$pid"
    done
    # A dialog the program left behind ends with its X server.
    [[ -z $scratch ]] || rm -rf "$scratch"
}

# --- The program under test -----------------------------------------------------------------

# The program's locale: C.UTF-8, the default of many fresh machines, in which the dialog
# tools complain on their error stream about fonts and locales. Set before start_program.
program_lang=C.UTF-8
# How the program's PATH is set: a folder holding only the dialog tools named here, so that
# the error box is the dialog the test chose whatever other tools the machine has; "unset"
# leaves PATH out. Its stderr is a file, or closed with "closed".
program_path=xmessage
program_stderr="file"
# More variables for the program ("NAME=value"), such as a library to preload.
program_env=()
# Further variables the program's environment goes without (such as XDG_RUNTIME_DIR).
program_unset=()
# The SDL video driver chosen for the program; empty to let SDL choose, as users do.
program_driver=x11

# Starts `program` in `folder` on the X server, with a home, a locale, a PATH and a way of
# presenting (the program's own) of the test's choosing rather than the caller's.
start_program() {
    local program=$1 folder=$2 settings=(-u WAYLAND_DISPLAY -u XAUTHORITY -u SDL_VIDEODRIVER
        -u SDL_RENDER_DRIVER -u SDL_FRAMEBUFFER_ACCELERATION HOME="$scratch/home"
        LANG="$program_lang")
    local name
    [[ -z $program_driver ]] || settings+=(SDL_VIDEODRIVER="$program_driver")
    for name in $(compgen -e); do
        [[ $name != LC_* && $name != LANGUAGE ]] || settings=(-u "$name" "${settings[@]}")
    done
    for name in "${program_unset[@]}"; do
        settings=(-u "$name" "${settings[@]}")
    done
    if [[ $program_path == unset ]]; then
        settings=(-u PATH "${settings[@]}")
    else
        local tool
        for tool in $program_path; do
            ln -sf "$(command -v "$tool")" "$scratch/bin/$tool"
        done
        settings+=(PATH="$scratch/bin")
    fi
    # A sanitized program would refuse a library preloaded ahead of its runtime.
    settings+=(ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0")
    settings+=("${program_env[@]}")
    if [[ $program_stderr == closed ]]; then
        (cd "$folder" && exec env "${settings[@]}" "$program") >"$scratch/stdout" 2>&- &
    else
        (cd "$folder" && exec env "${settings[@]}" "$program") >"$scratch/stdout" \
            2>"$scratch/stderr" &
    fi
    program_pid=$!
}

# Waits up to `seconds` for the program to end and sets exit_status and exit_ms.
wait_for_exit() {
    local seconds=$1 start
    start=$(now_ms)
    poll "$seconds" process_ended "$program_pid" || fail "the program still runs after $seconds s"
    exit_ms=$(($(now_ms) - start))
    exit_status=0
    wait "$program_pid" || exit_status=$?
    program_pid=""
}

# The process is stopped (by SIGSTOP, as the present hook stops the program).
process_stopped() {
    local state
    state=$(process_state "$1") || return 1
    [[ $state == T* ]]
}

expect_running() {
    process_alive "$program_pid" || fail "the program ended: $*"
}

# The id of the program's child process (the dialog), empty when there is none.
program_child() {
    local folder pid parent
    for folder in /proc/[0-9]*; do
        pid=${folder#/proc/}
        parent=$(process_state "$pid") || continue
        if [[ ${parent#* } == "$program_pid" ]]; then
            echo "$pid"
            return
        fi
    done
}

# --- Windows and screenshots --------------------------------------------------------------

# Sets `window` to the first window titled exactly `title`.
window_titled() {
    window=$(xdotool search --name "^$1\$" 2>/dev/null | head -n 1)
    [[ -n $window ]]
}

window_viewable() {
    xwininfo -id "$window" 2>/dev/null | grep -q 'Map State: IsViewable'
}

# "WIDTHxHEIGHT DEPTH" of `window`.
window_geometry() {
    xwininfo -id "$window" | awk '
        /^ +Width:/ { w = $2 }
        /^ +Height:/ { h = $2 }
        /^ +Depth:/ { d = $2 }
        END { print w "x" h, d }'
}

# Clicks the bottom-most widget of `window`: the button row of an xmessage box.
click_lowest_widget() {
    local x y
    read -r x y < <(xwininfo -tree -id "$window" | awk '
        match($0, /[0-9]+x[0-9]+[+-]+[0-9]+[+-]+[0-9]+ +[+-]+[0-9]+[+-]+[0-9]+$/) {
            split($(NF - 1), size, /[x+-]+/)
            split($NF, at, /[+-]+/)
            if (at[3] >= lowest) {
                lowest = at[3]
                x = at[2] + int(size[1] / 2)
                y = at[3] + int(size[2] / 2)
            }
        }
        END { print x, y }')
    [[ -n $x ]] || fail "window $window has no widgets to click"
    xdotool mousemove "$x" "$y" click 1
}

# The window manager reports `window` as the active window.
window_active() {
    [[ $(xdotool getactivewindow 2>/dev/null) == "$window" ]]
}

# Gives `window` the focus and presses `key` there, through the X server as a keyboard
# would, once the window manager reports the window active.
key_into_window() {
    local key=$1
    xdotool windowactivate --sync "$window" >/dev/null 2>&1 || true
    poll 10 window_active || fail "window $window did not get the focus for $key"
    xdotool key "$key"
}

# Saves a screenshot of `window` as $scratch/NAME.png.
shot() {
    import -window "$window" "$scratch/$1.png"
}

colours() {
    identify -format '%k' "$scratch/$1.png"
}

# The colour counts of the four quarters of a shot, one per line.
quarter_colours() {
    convert "$scratch/$1.png" -crop 2x2@ +repage -format '%k\n' info:
}

# The number of levels the red channel takes in a shot.
red_levels() {
    convert "$scratch/$1.png" -channel R -separate -format '%k' info:
}

# The share of pixels with at least one channel at full strength, from 0 to 1.
saturated_share() {
    convert "$scratch/$1.png" -channel RGB -threshold 99.99% -separate \
        -evaluate-sequence max -format '%[fx:mean]' info:
}

# A hash of the pixels of a shot.
pixel_hash() {
    identify -format '%#' "$scratch/$1.png"
}

# True when `a` > `b` for decimal numbers.
greater() {
    awk -v a="$1" -v b="$2" 'BEGIN { exit !(a > b) }'
}

# Takes shot `name` and counts the shots in a row (in shot_run) for which `check name`
# holds; true once there are `count`. A single frame can pass a check by chance, several in a
# row cannot. Set shot_run=0 before polling it.
shot_run=0
shots_in_a_row() {
    local name=$1 count=$2 check=$3
    shot "$name" || return 1
    if "$check" "$name"; then
        shot_run=$((shot_run + 1))
    else
        shot_run=0
    fi
    ((shot_run >= count))
}

# --- Using the window -----------------------------------------------------------------------

# The overlay holds mixed channels at 255, so a large share of pixels is saturated in most
# frames; the warp alone wraps channels instead and saturates about one pixel in a hundred.
readonly overlay_share=0.3 plain_share=0.1

overlay_shown() {
    shot overlay && greater "$(saturated_share overlay)" "$overlay_share"
}

# Overlay frames can look plain now and then: only several plain shots in a row tell that
# the overlay is off.
plain() {
    greater "$plain_share" "$(saturated_share "$1")"
}

# Up turns the overlay on and Down turns it off again, each pressed in `window` by the
# command `press KEY`; shot `before`, taken last, shows the window before the keys.
expect_overlay_keys() {
    local press=$1 before=$2 share
    share=$(saturated_share "$before")
    greater "$plain_share" "$share" ||
        fail "$share of the pixels are saturated without the overlay, expected below $plain_share"
    "$press" Up
    poll 10 overlay_shown || fail "no frame with the overlay within 10 s of Up"
    expect_running "after Up"
    "$press" Down
    shot_run=0
    poll 10 shots_in_a_row plain 4 plain ||
        fail "the overlay was still showing 10 s after Down"
    expect_running "after Down"
}

# Closes the program's window through the window manager: the program ends within
# `seconds`, with status 0.
close_window() {
    local seconds=$1
    wmctrl -F -c Prismwarp || fail "wmctrl could not close the window"
    wait_for_exit "$seconds"
    ((exit_status == 0)) || fail "exit status $exit_status after the close, expected 0"
}
