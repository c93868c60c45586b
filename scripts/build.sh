#!/usr/bin/env bash
# build.sh DIR [cmake args...]: configure (once) and build into DIR.
set -euo pipefail
dir=$1; shift
top=$(cd "$(dirname "$0")/.." && pwd)
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S "$top" -B "$dir" -G Ninja "${launcher[@]}" "$@" >/dev/null
fi
cmake --build "$dir" -- -j"$(nproc)"
