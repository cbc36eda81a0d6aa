# checks.sh: what every test script written in bash starts from: strict mode, ending as
# failed or skipped with the reason, naming its steps, polling with a time limit, and a
# private scratch folder. Sourced by the test scripts (the desktop ones through desktop.sh).
# shellcheck shell=bash disable=SC2034 # scratch is read by the test scripts

set -euo pipefail

readonly skip_status=77 # the tests' SKIP_RETURN_CODE

scratch=""

# Ends the test as failed, saying why, and with the end of the program's stderr where the
# test keeps it in $scratch/stderr.
fail() {
    printf 'FAIL: %s\n' "$*" >&2
    if [[ -n $scratch && -s $scratch/stderr ]]; then
        printf -- '--- program stderr:\n' >&2
        tail -n 20 "$scratch/stderr" >&2
    fi
    exit 1
}

# Ends the test as skipped, saying why: something it needs is missing or cannot run here.
skip() {
    printf 'SKIP: %s\n' "$*"
    exit "$skip_status"
}

step() {
    printf '* %s\n' "$*"
}

now_ms() {
    # EPOCHREALTIME is seconds and microseconds, with the locale's decimal point.
    echo $((${EPOCHREALTIME//[!0-9]/} / 1000))
}

# Runs "$@" every 50 ms until it succeeds; fails once `seconds` have passed. The limits are
# generous: they only keep a hung program from hanging the test.
poll() {
    local seconds=$1
    shift
    local deadline=$(($(now_ms) + seconds * 1000))
    until "$@"; do
        (($(now_ms) < deadline)) || return 1
        sleep 0.05
    done
}

# Makes $scratch, a private folder named after `name`, removed when the script ends.
scratch_folder() {
    scratch=$(mktemp -d "${TMPDIR:-/tmp}/prismwarp-$1.XXXXXX")
    trap 'rm -rf "$scratch"' EXIT
}
