#!/bin/bash
# Building by hand needs SDL 1.2 alone: configuring the project where neither GoogleTest
# nor Google Benchmark can be found succeeds, and says in one line each what is left out.
# Given no build type, the build is an optimised one.
# Usage: hand_build_test.sh PROJECT_SOURCE_DIR
# shellcheck source=tests/support/checks.sh
source "$(dirname "$0")/../support/checks.sh"
project=$1
scratch_folder hand-build

# Fails, showing what configuring printed.
fail_configuring() {
    sed 's/^/  | /' "$scratch/configure.log" >&2
    fail "$@"
}

step "cmake -S . -B build, without GoogleTest and Google Benchmark"
LC_ALL=C cmake -S "$project" -B "$scratch/build" -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON \
    -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON >"$scratch/configure.log" 2>&1 ||
    fail_configuring "configuring failed"
grep -q 'Google Benchmark not found: the benchmarks are not built' "$scratch/configure.log" ||
    fail_configuring "no word that the benchmarks are left out"
grep -q 'GoogleTest not found: the tests are not built' "$scratch/configure.log" ||
    fail_configuring "no word that the tests are left out"
echo "  configured"
build_type=$(sed -n 's/^CMAKE_BUILD_TYPE:STRING=//p' "$scratch/build/CMakeCache.txt")
[[ $build_type == Release ]] || fail "given no build type, the build is '$build_type', not Release"
echo "  an optimised build (Release)"
