#!/usr/bin/env bash
# flake_hunt.sh [ROUNDS] [ctest args...]: runs the end-to-end tests (label
# "e2e") of the plain build ROUNDS times (default 5) while two busy loops keep
# both cores taken, as on a loaded build machine; then stops the loops and
# lists every failure by round. Extra arguments go to ctest (e.g. -R alarm_server).
# Builds nothing: run scripts/test.sh or scripts/build.sh first. The build
# directory is BUILD_DIR (default build/). Ends with status 1 if any test failed.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
rounds=${1:-5}
[ $# -gt 0 ] && shift
build=${BUILD_DIR:-$top/build}
[ -f "$build/CTestTestfile.cmake" ] || { echo "flake_hunt: no test tree in $build" >&2; exit 2; }
logs=$(mktemp -d /tmp/flake-hunt.XXXXXX)

loops=()
tests=
stop_loops() {
    [ ${#loops[@]} -gt 0 ] && kill "${loops[@]}" 2>/dev/null || true
    wait "${loops[@]}" 2>/dev/null || true
    loops=()
}
# Interrupted: the running round's tests end too (ctest leaves them running
# when it is stopped: they are in its process group), then the loops.
trap stop_loops EXIT
trap '[ -n "$tests" ] && kill -- -"$tests" 2>/dev/null; [ -n "$tests" ] && wait "$tests"; stop_loops; exit 130' INT TERM
for _ in 1 2; do
    # Plain busy loops at normal priority: they compete with the tests for
    # the cores as a neighbour's compiler would.
    bash -c 'while :; do :; done' &
    loops+=($!)
done

failures=0
for round in $(seq "$rounds"); do
    started=$SECONDS
    rc=0
    # In the background, so that a signal reaches the trap at once.
    CI=true setsid ctest --test-dir "$build" -L e2e -j"$(nproc)" --output-on-failure "$@" \
        >"$logs/round-$round.log" 2>&1 &
    tests=$!
    wait "$tests" || rc=$?
    tests=
    summary=$(grep -E 'tests passed, [0-9]+ tests? failed' "$logs/round-$round.log" || echo "no summary")
    echo "round $round: $summary ($((SECONDS - started)) s)"
    if [ "$rc" -ne 0 ]; then
        sed -n '/The following tests FAILED/,$p' "$logs/round-$round.log" | grep -E '^\s+[0-9]+ - ' || true
        failures=$((failures + 1))
    fi
done
stop_loops
echo "logs: $logs"
echo "$failures of $rounds rounds had failures"
[ "$failures" -eq 0 ]
