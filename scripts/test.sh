#!/bin/bash
# Installs what is missing, builds everything and runs every test: once as built for use
# (with a few frames under valgrind memcheck), once under AddressSanitizer and
# UndefinedBehaviorSanitizer. scripts/demo.sh configures build/ alike: keep the two cmake
# lines the same, or each script rebuilds everything after the other.
set -euo pipefail
cd "$(dirname "$0")/.."
# Beyond the build: a private X server, a window manager, the tools that drive and
# photograph the program for the desktop tests and the dialog tools its error box is shown
# by, and the Windows cross compiler.
scripts/deps.sh build-essential cmake pkg-config libsdl1.2-compat-dev libgtest-dev \
    libbenchmark-dev x11-utils xvfb openbox fontconfig wmctrl xdotool imagemagick zenity \
    g++-mingw-w64-x86-64-win32 valgrind
# The Windows tests: Debian's SDL source (apt-get source needs dpkg-dev), GoogleTest's
# sources to build for Windows, and Wine to run the program and the tests.
scripts/deps.sh dpkg-dev googletest wine wine64
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPRISMWARP_TESTS=ON -DPRISMWARP_BENCH=ON
cmake --build build -j"$(nproc)"
ctest --test-dir build --output-on-failure -j"$(nproc)"

# The sanitized pass runs the desktop tests too: on a display the sanitized program checks
# memory errors and undefined behaviour but not leaks (see tools/SanitizerOptions.cpp). It
# leaves out the Windows tests, which check no program of this build.
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPRISMWARP_TESTS=ON \
    -DPRISMWARP_SANITIZE=ON -DPRISMWARP_BENCH=OFF
cmake --build build-asan -j"$(nproc)"
ctest --test-dir build-asan --output-on-failure -j"$(nproc)" -E '^windows_'
