#!/usr/bin/env bash
# Builds the settings file's libFuzzer target with clang and runs it.
#   tests/fuzz/run_settings.sh [SECONDS]       (default 60)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
out=${FUZZ_BUILD_DIR:-$top/build-fuzz}
mkdir -p "$out" "$out/settings-corpus"
cp -n "$here"/settings-corpus/* "$out/settings-corpus/" 2>/dev/null || true
clang++ -std=c++20 -g -O1 -fPIC -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -DQT_NO_CAST_TO_ASCII -I"$top" $(pkg-config --cflags Qt6Core) \
    "$here/fuzz_settings.cpp" "$top/settings/settingsfile.cpp" "$top/base/cp1252.cpp" "$top/base/convert.cpp" \
    $(pkg-config --libs Qt6Core) -o "$out/fuzz_settings"
# The harness writes a file per run: on tmpfs its fsync costs nothing.
TMPDIR=${TMPDIR:-/dev/shm} "$out/fuzz_settings" -max_total_time="${1:-60}" -max_len=4096 "$out/settings-corpus"
