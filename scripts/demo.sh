#!/bin/sh
# Installs what is missing, builds the program and runs it on the bundled picture. build/
# is configured exactly as scripts/test.sh configures it, so that running one after the
# other builds only what the first left out.
set -e
cd "$(dirname "$0")/.."
scripts/deps.sh build-essential cmake pkg-config libsdl1.2-compat-dev libgtest-dev \
    libbenchmark-dev x11-utils
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPRISMWARP_TESTS=ON -DPRISMWARP_BENCH=ON
cmake --build build --target prismwarp picture -j"$(nproc)"
# The program reads lsd.bmp from its working directory; the build draws it there.
cd build
exec ./prismwarp
