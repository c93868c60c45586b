#!/usr/bin/env bash
# Sets up the machine, then builds and runs the tests in five passes. Each
# builds only what it runs, and a test runs in a second pass only where that
# pass can find what the first cannot.
#
#  1. plain (RelWithDebInfo, the program users get): the end-to-end
#     scenarios, the program as users run it. The scenarios that assert a
#     time promised to users (label "timed": the alarm message's latency, the
#     second start's hand-over) run alone, so that no other test takes their
#     cores. The QtTest suites (label "unit") are neither built nor run here:
#     they fake the clock and the platform, so the plain build can show no
#     fault in them that the sanitizer build misses.
#  2. the Debian package from that build, installed and run as a normal user
#     (label "package"), then checked as Debian checks it.
#  3. AddressSanitizer + UndefinedBehaviorSanitizer (label "asan"): every
#     QtTest suite, and the end-to-end scenarios that run code no suite
#     reaches: the audio module against real sound servers (where the exit
#     crash showed), the alarm on a real X server, the desktop notification.
#     The other scenarios check what the X server and the window manager see
#     of code the suites already run under the sanitizers; they run in the
#     plain pass alone. Time bounds are scaled here: the behaviour counts.
#  4. ThreadSanitizer (label "tsan"): the threaded suites, and only their
#     programs are built.
#  5. fuzz (clang, -DBRENVIK_FUZZ=ON): the libFuzzer targets of the melody and
#     settings readers, built from the library's sources, each run for
#     FUZZ_SECONDS (default 10) on a copy of its corpus.
#
# Both sanitizer trees build the library as a unity build (a few large
# files, less than half the compile time); the plain tree keeps one file per
# source, so that a missing include still shows.
#
# Each pass prints its time; the totals come last.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
jobs=$(nproc)
status=0
passed=0
failed=0
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
stages=()
stage_started=$SECONDS
stage_name=""

# Starts a pass: prints its title and the time the one before took.
stage() {
    if [ -n "$stage_name" ]; then
        stages+=("$(printf '%-28s %4d s' "$stage_name" $((SECONDS - stage_started)))")
    fi
    stage_name=$1
    stage_started=$SECONDS
    [ -n "$stage_name" ] && echo "== $stage_name"
    return 0
}

# Runs ctest, keeps its output and adds its counts to the totals.
run_ctest() {
    local log="$logs/$1"; shift
    local rc=0
    ctest "$@" 2>&1 | tee "$log" || rc=1
    [ "${PIPESTATUS[0]}" -eq 0 ] || rc=1
    local line
    line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1 || true)
    if [ -n "$line" ]; then
        local f t
        f=$(sed -E 's/.*tests passed, ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
        t=$(sed -E 's/.*tests passed, ([0-9]+) tests? failed out of ([0-9]+).*/\2/' <<<"$line")
        passed=$((passed + t - f))
        failed=$((failed + f))
    fi
    return $rc
}

# A step outside ctest that counts as one test.
count() {
    if [ "$1" -eq 0 ]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        status=1
    fi
}

stage "plain: build"
"$top/scripts/build.sh" "$top/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON
stage "plain: test"
run_ctest plain --test-dir "$top/build" --output-on-failure -j"$jobs" -LE 'package|unit' || status=1

stage "package: build, install, run"
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
rm -f "$top"/build/brenvik-timer_*.deb
if (cd "$top/build" && cpack -G DEB) && deb=$(ls "$top"/build/brenvik-timer_*.deb) \
        && "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
            apt-get install -y -qq --no-install-recommends --reinstall "$deb"; then
    run_ctest package --test-dir "$top/build" --output-on-failure -L package || status=1
else
    echo "package: building or installing the package failed"
    count 1
fi

stage "package: Debian's checks"
deb=$(ls "$top"/build/brenvik-timer_*.deb 2>/dev/null || true)
tree=$(mktemp -d)
if [ -n "$deb" ] && dpkg-deb -x "$deb" "$tree" \
        && lintian --fail-on error,warning "$deb" \
        && appstreamcli validate --no-net "$tree"/usr/share/metainfo/*.metainfo.xml \
        && desktop-file-validate "$tree"/usr/share/applications/brenvik-timer.desktop; then
    count 0
else
    echo "package checks: failed"
    count 1
fi
rm -rf "$tree"

stage "asan: build"
"$top/scripts/build.sh" "$top/build-asan" -DCMAKE_BUILD_TYPE=Debug -DBRENVIK_SANITIZE=address -DBUILD_TESTING=ON -DBRENVIK_UNITY_BUILD=ON \
    -- all brenvik_unit_tests
stage "asan: test"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
LSAN_OPTIONS=suppressions=$top/tests/lsan.supp:print_suppressions=0 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    run_ctest asan --test-dir "$top/build-asan" --output-on-failure -j"$jobs" -L asan || status=1

stage "tsan: build"
"$top/scripts/build.sh" "$top/build-tsan" -DCMAKE_BUILD_TYPE=Debug -DBRENVIK_SANITIZE=thread -DBUILD_TESTING=ON -DBRENVIK_UNITY_BUILD=ON \
    -- brenvik_tsan_tests
stage "tsan: test"
TSAN_OPTIONS="halt_on_error=1 suppressions=$top/tests/tsan.supp" \
    run_ctest tsan --test-dir "$top/build-tsan" --output-on-failure -j"$jobs" -L tsan || status=1

stage "fuzz: build"
rc=0
"$top/tests/fuzz/build.sh" || rc=$?
stage "fuzz: run"
if [ "$rc" -eq 0 ]; then
    for target in melody settings; do
        rc=0
        FUZZ_QUIET=1 "$top/tests/fuzz/run.sh" "$target" "${FUZZ_SECONDS:-10}" || rc=$?
        echo "fuzz_$target: $([ "$rc" -eq 0 ] && echo passed || echo FAILED)"
        count "$rc"
    done
else
    echo "fuzz: the targets did not build"
    count 1
fi
stage ""

echo
echo "Time per pass:"
printf '  %s\n' "${stages[@]}"
echo "  total                        $SECONDS s"
echo
echo "$passed passed, $failed failed"
exit $status
