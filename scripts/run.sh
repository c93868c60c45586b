#!/usr/bin/env bash
# Sets up the machine, builds the program and runs it. Without a display the
# program runs under a private Xvfb server with a window manager.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
# The program, its modules and the files beside it, no test: a new tree is
# made without them, an existing one keeps its tests but builds none of them.
testing=()
[ -f "$top/build/CMakeCache.txt" ] || testing=(-DBUILD_TESTING=OFF)
"$top/scripts/build.sh" "$top/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${testing[@]}" \
    -- brenvik-timer brenvik-wake brenvik-melody
prog="$top/build/app/brenvik-timer"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    exec "$prog"
fi

d=90; while [ -e /tmp/.X11-unix/X$d ] || [ -e /tmp/.X$d-lock ]; do d=$((d+1)); done
echo "No display found: running Brenvik Timer under Xvfb on :$d (e.g. DISPLAY=:$d import -window root shot.png)."
Xvfb :$d -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 & xvfb=$!
trap 'kill $wm $xvfb 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$d ] && break; sleep 0.1; done
DISPLAY=:$d openbox >/dev/null 2>&1 & wm=$!
export DISPLAY=:$d
mkdir -p "/tmp/brenvik-runtime-$(id -u)" && chmod 700 "/tmp/brenvik-runtime-$(id -u)"
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-/tmp/brenvik-runtime-$(id -u)}
"$prog"
