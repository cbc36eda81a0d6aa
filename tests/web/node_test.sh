#!/bin/bash
# Runs a test program of the web build under node: node_test.sh PROGRAM.js. Skips, saying
# why, where node is missing or the web build has no such program (it builds it only where
# GoogleTest's sources are installed, Debian package googletest).
# shellcheck source=tests/support/checks.sh
source "$(dirname "$0")/../support/checks.sh"
program=$1
command -v node >/dev/null || skip "node not found (Debian package nodejs, which emscripten brings)"
[[ -f $program ]] || skip "$program is not built (see the test web_build)"
# Programs of Emscripten 3.1.6 stumble on the fetch of newer node versions; node 18 and newer
# can turn it off.
exec node --no-experimental-fetch "$program"
