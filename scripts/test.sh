#!/usr/bin/env bash
# Sets up the machine, then builds and runs every test three times: as the
# program is built, under AddressSanitizer + UndefinedBehaviorSanitizer, and the
# threaded tests (label "tsan") under ThreadSanitizer.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
jobs=$(nproc)
status=0

echo "== build and test (RelWithDebInfo)"
"$top/scripts/build.sh" "$top/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
ctest --test-dir "$top/build" --output-on-failure -j"$jobs" || status=1

echo "== build and test under AddressSanitizer + UndefinedBehaviorSanitizer"
"$top/scripts/build.sh" "$top/build-asan" -DCMAKE_BUILD_TYPE=Debug -DBRENVIK_SANITIZE=address
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
LSAN_OPTIONS=suppressions=$top/tests/lsan.supp:print_suppressions=0 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir "$top/build-asan" --output-on-failure -j"$jobs" -LE no-asan || status=1

echo "== build and test under ThreadSanitizer (threaded tests)"
"$top/scripts/build.sh" "$top/build-tsan" -DCMAKE_BUILD_TYPE=Debug -DBRENVIK_SANITIZE=thread
TSAN_OPTIONS="halt_on_error=1 suppressions=$top/tests/tsan.supp" \
    ctest --test-dir "$top/build-tsan" --output-on-failure -j"$jobs" -L tsan || status=1

exit $status
