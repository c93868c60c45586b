#!/usr/bin/env bash
# Builds the fuzz targets (tests/fuzz/build.sh) and runs one of them.
#   tests/fuzz/run.sh melody|settings [SECONDS]      (default 60)
# The corpus grows in build-fuzz/corpus-NAME, seeded from tests/fuzz; a crash
# leaves its input in build-fuzz/artifacts/. With FUZZ_QUIET=1 only the
# figures at the end are shown, or the report of a crash.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
out=${FUZZ_BUILD_DIR:-$top/build-fuzz}
name=${1:-}
case "$name" in
    melody) seeds=$here/corpus ;;
    settings) seeds=$here/settings-corpus ;;
    *) echo "Aufruf: $0 melody|settings [SEKUNDEN]" >&2; exit 2 ;;
esac
seconds=${2:-60}
"$here/build.sh" >/dev/null
corpus=$out/corpus-$name
mkdir -p "$corpus" "$out/artifacts"
cp -n "$seeds"/* "$corpus/" 2>/dev/null || true
# The settings target writes a file per run: on tmpfs its fsync costs nothing.
run=(env TMPDIR="${TMPDIR:-/dev/shm}" "$out/tests/fuzz/fuzz_$name" -max_total_time="$seconds"
     -max_len=4096 -print_final_stats=1 -artifact_prefix="$out/artifacts/$name-" "$corpus")
if [ "${FUZZ_QUIET:-}" = 1 ]; then
    log=$(mktemp)
    rc=0
    "${run[@]}" >"$log" 2>&1 || rc=$?
    if [ "$rc" -eq 0 ]; then
        grep -E '^(#[0-9]+[[:space:]]+DONE|stat::(number_of_executed_units|new_units_added|peak_rss_mb))' "$log" \
            | sed "s/^/fuzz_$name: /"
    else
        tail -n 60 "$log"
    fi
    rm -f "$log"
    exit "$rc"
fi
exec "${run[@]}"
