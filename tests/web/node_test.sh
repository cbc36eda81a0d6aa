#!/bin/bash
# Runs a test program of the web build under node: node_test.sh PROGRAM.js. Skips (77),
# saying why, where node is missing or the web build has no such program (it builds it only
# where GoogleTest's sources are installed, Debian package googletest).
set -euo pipefail
program="$1"
if ! command -v node >/dev/null; then
    echo "skipped: node not found (Debian package nodejs, which emscripten brings)"
    exit 77
fi
if [[ ! -f "$program" ]]; then
    echo "skipped: $program is not built (see the test web_build)"
    exit 77
fi
# Programs of Emscripten 3.1.6 stumble on the fetch of newer node versions; node 18 and newer
# can turn it off.
exec node --no-experimental-fetch "$program"
