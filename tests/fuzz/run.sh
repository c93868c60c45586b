#!/usr/bin/env bash
# Builds the melody reader's libFuzzer target with clang and runs it.
#   tests/fuzz/run.sh [SECONDS]       (default 60)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
out=${FUZZ_BUILD_DIR:-$top/build-fuzz}
mkdir -p "$out" "$out/corpus"
cp -n "$here"/corpus/* "$out/corpus/" 2>/dev/null || true
clang++ -std=c++20 -g -O1 -fPIC -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -DQT_NO_CAST_TO_ASCII -I"$top" $(pkg-config --cflags Qt6Core) \
    "$here/fuzz_melody.cpp" "$top/sound/melodyreader.cpp" "$top/sound/notetable.cpp" "$top/base/convert.cpp" "$top/base/cp1252.cpp" \
    $(pkg-config --libs Qt6Core) -o "$out/fuzz_melody"
"$out/fuzz_melody" -max_total_time="${1:-60}" -max_len=4096 "$out/corpus"
