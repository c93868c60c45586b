#!/usr/bin/env bash
# Builds what the benchmark measures and runs it; prints markdown tables.
# Takes about ten minutes. Installs nothing: run scripts/setup.sh first.
#   BENCH_BUILD=DIR   build directory (default build-bench)
#   BENCH_ONLY=...    see bench/run.py
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${BENCH_BUILD:-$top/build-bench}
for tool in Xvfb openbox xclock xdotool xprop xwininfo perf; do
    command -v "$tool" >/dev/null || { echo "run.sh: $tool missing; run scripts/setup.sh" >&2; exit 1; }
done
"$top/scripts/build.sh" "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRENVIK_BENCH=ON >/dev/null
BENCH_BUILD=$build exec python3 "$top/bench/run.py"
