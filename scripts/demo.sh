#!/bin/sh
# Installs what is missing, builds the program and runs it on the bundled picture.
set -e
cd "$(dirname "$0")/.."
scripts/deps.sh build-essential cmake pkg-config libsdl1.2-compat-dev x11-utils
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DPRISMWARP_TESTS=OFF -DPRISMWARP_BENCH=OFF
cmake --build build --target prismwarp picture -j"$(nproc)"
# The program reads lsd.bmp from its working directory; the build draws it there.
cd build
exec ./prismwarp
