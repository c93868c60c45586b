#!/usr/bin/env bash
# Builds the libFuzzer targets into build-fuzz (or FUZZ_BUILD_DIR) with clang,
# from the library's own sources (-DBRENVIK_FUZZ=ON, tests/fuzz/CMakeLists.txt).
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
out=${FUZZ_BUILD_DIR:-$top/build-fuzz}
# CXX counts only when the tree is made.
CXX=clang++ "$top/scripts/build.sh" "$out" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRENVIK_FUZZ=ON \
    -DBUILD_TESTING=OFF -- fuzz_melody fuzz_settings
