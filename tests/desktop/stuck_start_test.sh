#!/bin/bash
# Desktop test: a display that takes the connection and never answers (a hung X server, a
# dead ssh tunnel) keeps the program waiting as it starts; SIGINT and SIGTERM end it there,
# by the signal, as they end any program that has no window yet (status 130 and 143 in a
# shell).
# Usage: stuck_start_test.sh PROGRAM PICTURE
# shellcheck source=tests/desktop/desktop.sh
source "$(dirname "$0")/desktop.sh"

program=$1 picture=$2

command -v python3 >/dev/null || skip "python3 is not installed (Debian package python3)"
scratch=$(mktemp -d "${TMPDIR:-/tmp}/prismwarp-stuck.XXXXXX")
mkdir "$scratch/run" "$scratch/bin" "$scratch/home"
cp "$picture" "$scratch/run/lsd.bmp"

# The X server of display :N listens on /tmp/.X11-unix/XN. One that accepts and never
# answers, on a display number nobody uses, writes a line for each client it takes in.
display=""
for n in $(seq 90 150); do
    [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] || { display=$n && break; }
done
[[ -n $display ]] || skip "no free X display number from 90 to 150"
mkdir -p /tmp/.X11-unix 2>/dev/null || true
[[ -w /tmp/.X11-unix ]] || skip "/tmp/.X11-unix is not writable here"
python3 -c '
import socket, sys
server = socket.socket(socket.AF_UNIX)
server.bind(sys.argv[1])
server.listen(8)
clients = []
while True:
    client, _ = server.accept()
    clients.append(client)
    with open(sys.argv[2], "a") as log:
        log.write("client\n")
' "/tmp/.X11-unix/X$display" "$scratch/clients" &
server_pid=$!
trap 'end_process "$server_pid"; [[ -z $program_pid ]] || kill -KILL "$program_pid" 2>/dev/null; rm -rf "$scratch" "/tmp/.X11-unix/X$display"' EXIT
listening() {
    [[ -S /tmp/.X11-unix/X$display ]]
}
poll 10 listening || fail "the silent X server did not start"
DISPLAY=":$display"
export DISPLAY

clients() {
    if [[ -e $scratch/clients ]]; then wc -l <"$scratch/clients"; else echo 0; fi
}

for signal in INT TERM; do
    step "SIG$signal while the program waits on the display ends it with status $((128 + $(kill -l "$signal")))"
    before=$(clients)
    start_program "$program" "$scratch/run"
    waiting() {
        (($(clients) > before))
    }
    poll 30 waiting || fail "the program never connected to the display"
    # Let it settle into its wait for the server's answer.
    sleep 0.5
    expect_running "before SIG$signal"
    kill "-$signal" "$program_pid"
    wait_for_exit 10
    expected=$((128 + $(kill -l "$signal")))
    ((exit_status == expected)) || fail "exit status $exit_status, expected $expected"
done
