#!/bin/bash
# The demo in a web browser. Installs what is missing, builds the page into build-web/page/
# and serves it on http://127.0.0.1:8000/ until stopped (Ctrl-C).
#
#   scripts/web.sh          build and serve
#   scripts/web.sh build    only build
#   scripts/web.sh bench    build, then time the frame against the browser's floor in
#                           headless Chromium (bench/README.md)
set -euo pipefail
cd "$(dirname "$0")/.."
mode="${1:-serve}"
case "$mode" in
serve | build) scripts/deps.sh build-essential cmake emscripten python3 ;;
bench) scripts/deps.sh build-essential cmake emscripten python3 chromium ;;
*)
    echo "usage: $0 [build|bench]" >&2
    exit 2
    ;;
esac

web/build.sh build-web
case "$mode" in
serve)
    echo "Prismwarp in a browser: http://127.0.0.1:8000/ (Ctrl-C stops the server)"
    exec python3 -m http.server 8000 --bind 127.0.0.1 --directory build-web/page
    ;;
bench) exec python3 tests/web/web_test.py bench --web build-web ;;
esac
