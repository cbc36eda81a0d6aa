#!/bin/sh
# Installs what is missing, builds the program and runs it on the bundled picture. It needs
# a compiler, CMake and SDL 1.2, and xmessage for the error box; not GoogleTest or Google
# Benchmark, so a fresh build/ is configured without the tests and the benchmarks. A build/
# that scripts/test.sh configured keeps them: it is configured alike (RelWithDebInfo), so
# running one script after the other builds only what the first left out.
set -e
cd "$(dirname "$0")/.."
scripts/deps.sh build-essential cmake pkg-config libsdl1.2-compat-dev x11-utils
if [ -f build/CMakeCache.txt ]; then
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
else
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPRISMWARP_TESTS=OFF \
        -DPRISMWARP_BENCH=OFF
fi
cmake --build build --target prismwarp picture -j"$(nproc)"
# The program reads lsd.bmp from its working directory; the build draws it there.
cd build
exec ./prismwarp
