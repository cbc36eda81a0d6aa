#!/bin/bash
# Installs what is missing, builds everything and runs every test: once as built for use
# (with a few frames under valgrind memcheck), once under AddressSanitizer and
# UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh build-essential cmake pkg-config libsdl1.2-compat-dev libgtest-dev \
    libbenchmark-dev x11-utils valgrind
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)"
ctest --test-dir build --output-on-failure -j"$(nproc)"

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPRISMWARP_SANITIZE=ON \
    -DPRISMWARP_BENCH=OFF
cmake --build build-asan -j"$(nproc)"
ctest --test-dir build-asan --output-on-failure -j"$(nproc)"
