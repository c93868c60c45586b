#!/usr/bin/env bash
# Sets up the machine, then builds and runs every test three times: as the
# program is built, under AddressSanitizer + UndefinedBehaviorSanitizer, and the
# threaded tests (label "tsan") under ThreadSanitizer. Between the first two it
# builds the Debian package, installs it and runs its end-to-end test (label
# "package").
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
jobs=$(nproc)
status=0
passed=0
failed=0
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT

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

echo "== build and test (RelWithDebInfo)"
"$top/scripts/build.sh" "$top/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
run_ctest plain --test-dir "$top/build" --output-on-failure -j"$jobs" -LE package || status=1

echo "== Debian package from that build: install it, run it as a normal user"
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
rm -f "$top"/build/brenvik-timer_*.deb
if (cd "$top/build" && cpack -G DEB) && deb=$(ls "$top"/build/brenvik-timer_*.deb) \
        && "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
            apt-get install -y -qq --no-install-recommends --reinstall "$deb"; then
    run_ctest package --test-dir "$top/build" --output-on-failure -L package || status=1
else
    echo "package: building or installing the package failed"
    failed=$((failed + 1))
    status=1
fi

echo "== the package as Debian checks it: lintian, AppStream metadata, menu entry"
deb=$(ls "$top"/build/brenvik-timer_*.deb 2>/dev/null || true)
tree=$(mktemp -d)
if [ -n "$deb" ] && dpkg-deb -x "$deb" "$tree" \
        && lintian --fail-on error,warning "$deb" \
        && appstreamcli validate --no-net "$tree"/usr/share/metainfo/*.metainfo.xml \
        && desktop-file-validate "$tree"/usr/share/applications/brenvik-timer.desktop; then
    passed=$((passed + 1))
else
    echo "package checks: failed"
    failed=$((failed + 1))
    status=1
fi
rm -rf "$tree"

echo "== build and test under AddressSanitizer + UndefinedBehaviorSanitizer"
"$top/scripts/build.sh" "$top/build-asan" -DCMAKE_BUILD_TYPE=Debug -DBRENVIK_SANITIZE=address
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
LSAN_OPTIONS=suppressions=$top/tests/lsan.supp:print_suppressions=0 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    run_ctest asan --test-dir "$top/build-asan" --output-on-failure -j"$jobs" -LE 'no-asan|package' || status=1

echo "== build and test under ThreadSanitizer (threaded tests)"
"$top/scripts/build.sh" "$top/build-tsan" -DCMAKE_BUILD_TYPE=Debug -DBRENVIK_SANITIZE=thread
TSAN_OPTIONS="halt_on_error=1 suppressions=$top/tests/tsan.supp" \
    run_ctest tsan --test-dir "$top/build-tsan" --output-on-failure -j"$jobs" -L tsan || status=1

echo
echo "$passed passed, $failed failed"
exit $status
