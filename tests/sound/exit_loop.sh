#!/usr/bin/env bash
# Runs one alarm-with-sound scenario again and again and counts how often the
# program ends cleanly: a crash at exit that shows once in many runs.
#
#     tests/sound/exit_loop.sh [-b] [-s SCENARIO] [-m SONG] BUILD_DIR RUNS
#
#   -b            keep both cores busy meanwhile (one busy loop per core, at
#                 the loop's own priority)
#   -s SCENARIO   a scenario of alarm_servers_e2e.py (default: nullsink)
#   -m SONG       the melody of Timer.msk to play (default: Entertainer, some
#                 45 s a run; Tonleiter makes it about half)
#
# Core dumps are allowed (ulimit -c unlimited); where they land is the
# kernel's core_pattern. The output of every failed run is kept in
# BUILD_DIR/exit-loop/run-N.log. Exit status 0 when every run passed.
set -u
busy=0
scenario=nullsink
song=Entertainer
while getopts "bs:m:" opt; do
    case $opt in
        b) busy=1 ;;
        s) scenario=$OPTARG ;;
        m) song=$OPTARG ;;
        *) exit 2 ;;
    esac
done
shift $((OPTIND - 1))
if [ $# -ne 2 ]; then
    echo "usage: exit_loop.sh [-b] [-s SCENARIO] [-m SONG] BUILD_DIR RUNS" >&2
    exit 2
fi
build=$(cd "$1" && pwd)
runs=$2
here=$(cd "$(dirname "$0")" && pwd)
logs=$build/exit-loop
mkdir -p "$logs"
ulimit -c unlimited

loops=()
stop_loops() {
    for pid in "${loops[@]}"; do
        kill "$pid" 2>/dev/null
    done
}
trap stop_loops EXIT
if [ "$busy" = 1 ]; then
    for _ in $(seq "$(nproc)"); do
        sh -c 'while :; do :; done' &
        loops+=($!)
    done
fi

# The scenario times the message from the X server's map of it.
export BRENVIK_MAPPROBE=${BRENVIK_MAPPROBE:-$build/tests/e2e/mapprobe}
if [ ! -x "$BRENVIK_MAPPROBE" ]; then
    echo "no map probe at $BRENVIK_MAPPROBE: build the tree with -DBUILD_TESTING=ON" >&2
    exit 2
fi

passed=0 failed=0 crashed=0 ended=0 skipped=0
for n in $(seq "$runs"); do
    log=$logs/run-$n.log
    python3 "$here/alarm_servers_e2e.py" "$build/app/brenvik-timer" "$build/app/brenvik-melody" \
        "$scenario" "$song" >"$log" 2>&1
    rc=$?
    grep -q "^ended after the alarm" "$log" && ended=$((ended + 1))
    case $rc in
        0) passed=$((passed + 1)); rm -f "$log" ;;
        77) skipped=$((skipped + 1)); rm -f "$log" ;;
        *) failed=$((failed + 1))
           # A bad end (a signal, a hang) counts apart from a late message.
           grep -qE "exit status|program printed" "$log" && crashed=$((crashed + 1))
           echo "run $n failed: $(grep -m1 FAIL "$log" || tail -n1 "$log")" ;;
    esac
    echo "after $n runs: $passed passed, $failed failed ($crashed at exit), $skipped skipped;" \
        "$ended reached the exit" \
        "(load $(cut -d' ' -f1 /proc/loadavg))"
done
[ "$failed" -eq 0 ]
