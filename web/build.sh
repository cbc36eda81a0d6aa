#!/bin/bash
# Builds the web page into the folder given (default build-web): page/ holds index.html,
# start.js, prismwarp.js, prismwarp.wasm, lsd.bmp and LICENSE.txt; bench-page/ holds the
# frame benchmark's page. Further arguments go to cmake (the tests name GoogleTest's sources
# with them). Needs Debian's emscripten and a C++ compiler for this machine; exits with 77,
# saying why, where emcmake is missing.
set -euo pipefail
source_dir="$(cd "$(dirname "$0")/.." && pwd)"
build_dir="${1:-build-web}"
shift || true

if ! command -v emcmake >/dev/null; then
    echo "emcmake not found: the web page is not built (Debian package emscripten)" >&2
    exit 77
fi
# Emscripten's tools look for their node modules (acorn, for one) here.
export NODE_PATH=/usr/share/nodejs
emcmake cmake -S "$source_dir" -B "$build_dir" -DCMAKE_BUILD_TYPE=Release "$@"
cmake --build "$build_dir" -j"$(nproc)"
