#!/usr/bin/env bash
# build.sh DIR [cmake args...] [-- TARGET...]: configure and build into DIR,
# everything or only the targets named after "--". The cmake arguments apply
# to an existing tree too (scripts/run.sh and scripts/test.sh share build/,
# one without the tests, one with them).
set -euo pipefail
dir=$1; shift
top=$(cd "$(dirname "$0")/.." && pwd)
args=()
while [ $# -gt 0 ] && [ "$1" != "--" ]; do args+=("$1"); shift; done
[ $# -gt 0 ] && shift
targets=()
for t in "$@"; do targets+=(--target "$t"); done
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S "$top" -B "$dir" -G Ninja "${launcher[@]}" "${args[@]}" >/dev/null
else
    cmake -S "$top" -B "$dir" "${args[@]}" >/dev/null
fi
# Ninja does not rerun moc when a header with Q_OBJECT is added to an existing
# build (the autogen step depends only on the headers it saw before): drop the
# stamp of every target whose autogen settings changed since its last run.
find "$dir" -path '*/CMakeFiles/*_autogen.dir/AutogenInfo.json' | while read -r info; do
    name=$(basename "$(dirname "$info")" .dir)
    stamp="$(dirname "$(dirname "$(dirname "$info")")")/$name/timestamp"
    if [ -f "$stamp" ] && [ "$info" -nt "$stamp" ]; then
        rm -f "$stamp"
    fi
done
cmake --build "$dir" "${targets[@]}" -- -j"$(nproc)"
