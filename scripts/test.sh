#!/bin/bash
# Installs what is missing, makes the packages (scripts/package.sh), builds everything and
# runs every test: once as built for use (with a few frames under valgrind memcheck), once
# under AddressSanitizer and UndefinedBehaviorSanitizer. scripts/demo.sh configures build/
# alike but for the tests and the benchmarks: keep their build types the same, or each script
# rebuilds everything after the other.
set -euo pipefail
cd "$(dirname "$0")/.."
# Beyond the build: a private X server, a window manager, the tools that drive and
# photograph the program for the desktop tests (xwd reads a window's raw pixels) and the
# dialog tools its error box is shown by, a Wayland compositor with XWayland, and the
# Windows cross compiler.
scripts/deps.sh build-essential cmake pkg-config libsdl1.2-compat-dev libgtest-dev \
    libbenchmark-dev x11-utils x11-apps xvfb openbox fontconfig wmctrl xdotool imagemagick \
    zenity weston xwayland g++-mingw-w64-x86-64-win32 valgrind
# The Windows tests: Debian's SDL source (apt-get source needs dpkg-dev), GoogleTest's
# sources to build for Windows, and Wine to run the program and the tests.
scripts/deps.sh dpkg-dev googletest wine wine64
# The web tests: Emscripten builds the page (into build/web/), Python serves it and drives
# Chromium, which runs it headless.
scripts/deps.sh emscripten python3 chromium
# The package tests: Debian's package checkers and unzip, for the packages that
# scripts/package.sh makes into dist/ (it installs what it needs to make them).
scripts/deps.sh lintian desktop-file-utils unzip
scripts/package.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPRISMWARP_TESTS=ON -DPRISMWARP_BENCH=ON
cmake --build build -j"$(nproc)"
ctest --test-dir build --output-on-failure -j"$(nproc)"

# The sanitized pass runs the desktop tests too: on a display the sanitized program checks
# memory errors and undefined behaviour but not leaks (see tools/SanitizerOptions.cpp). It
# leaves out the Windows, web and package tests, which check no program of this build.
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPRISMWARP_TESTS=ON \
    -DPRISMWARP_SANITIZE=ON -DPRISMWARP_BENCH=OFF
cmake --build build-asan -j"$(nproc)"
ctest --test-dir build-asan --output-on-failure -j"$(nproc)" -LE package -E '^(windows_|web)'
