#!/bin/bash
# Installs what is missing, builds everything and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh build-essential cmake pkg-config libsdl1.2-compat-dev libgtest-dev \
    libbenchmark-dev x11-utils
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPRISMWARP_TESTS=ON -DPRISMWARP_BENCH=ON
cmake --build build -j"$(nproc)"
ctest --test-dir build --output-on-failure -j"$(nproc)"
