#!/usr/bin/env bash
# Builds what the benchmark measures and runs it; prints a markdown table.
# Takes about five minutes. Run the README's set-up first (either command).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
command -v xclock >/dev/null || {
    export DEBIAN_FRONTEND=noninteractive
    apt-get install -y -qq --no-install-recommends x11-apps >/dev/null 2>&1 ||
        { apt-get update -qq && apt-get install -y -qq --no-install-recommends x11-apps >/dev/null; }
}
"$top/scripts/build.sh" "$top/build-bench" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRENVIK_BENCH=ON >/dev/null
exec python3 "$top/bench/run.py"
