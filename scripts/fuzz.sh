#!/bin/bash
# Fuzzes picture loading, the cache fill and one warp and blend pass for the given number
# of seconds (default 60). New inputs go to fuzz-out/corpus, crashers to fuzz-out/crashes;
# the committed seeds in fuzz/corpus are only read.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
scripts/deps.sh build-essential cmake pkg-config libsdl1.2-compat-dev clang libclang-rt-14-dev
cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DPRISMWARP_FUZZ=ON -DPRISMWARP_TESTS=OFF -DPRISMWARP_BENCH=OFF
cmake --build build-fuzz --target picture_fuzzer -j"$(nproc)"

# Absolute paths: the fuzz entry works in a private folder of its own.
root=$PWD
mkdir -p fuzz-out/corpus fuzz-out/crashes
SDL_VIDEODRIVER=dummy build-fuzz/fuzz/picture_fuzzer -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 \
    -dict="$root/fuzz/bmp.dict" -artifact_prefix="$root/fuzz-out/crashes/" "$root/fuzz-out/corpus" "$root/fuzz/corpus"
