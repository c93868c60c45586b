#!/usr/bin/env bash
# build.sh DIR [cmake args...]: configure (once) and build into DIR.
set -euo pipefail
dir=$1; shift
top=$(cd "$(dirname "$0")/.." && pwd)
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S "$top" -B "$dir" -G Ninja "${launcher[@]}" "$@" >/dev/null
else
    cmake "$dir" >/dev/null
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
cmake --build "$dir" -- -j"$(nproc)"
