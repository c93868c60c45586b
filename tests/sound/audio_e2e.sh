#!/usr/bin/env bash
# Sound really comes out: starts a private PulseAudio server with a null sink,
# records its monitor while the melody tool plays the default preset and a
# melody on the speaker output (square waves through the sound card here),
# and while the wave player plays the default wave file, then checks the
# recordings for the expected frequencies.
# The wave player also must not run Qt Multimedia's own teardown at exit
# (TEARDOWN_PROBE, preloaded, reports it).
#   audio_e2e.sh APP_DIR PLAYWAVE TEARDOWN_PROBE
# Exit 77 (skipped) when no audio server can be started, except with CI=true.
set -uo pipefail
appdir=$1
playwave=$2
probe=$3
here=$(cd "$(dirname "$0")" && pwd)
rate=16000

skip() {
    echo "SKIP: $*"
    if [ "${CI:-}" = "true" ]; then
        echo "CI=true: the audio test must run"
        exit 1
    fi
    exit 77
}

for tool in pulseaudio pactl parec python3; do
    command -v "$tool" >/dev/null || skip "$tool is not installed"
done

work=$(mktemp -d)
chmod 700 "$work"
export XDG_RUNTIME_DIR=$work HOME=$work
unset PULSE_SERVER
server_pid=
cleanup() {
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# As root PulseAudio only warns; --system is not wanted, a per-user server in
# a private runtime folder is.
pulseaudio --daemonize=no --exit-idle-time=-1 --disallow-exit -n --use-pid-file=no \
    --load="module-null-sink sink_name=nullsink" --load=module-native-protocol-unix \
    --log-target=file:"$work/pulse.log" &
server_pid=$!
for _ in $(seq 50); do
    pactl info >/dev/null 2>&1 && break
    sleep 0.1
done
pactl info >/dev/null 2>&1 || { cat "$work/pulse.log" 2>/dev/null; skip "no PulseAudio server could be started"; }
pactl set-default-sink nullsink

status=0
# record NAME EXPECTED ABSENT COMMAND...
record() {
    local name=$1 expected=$2 absent=$3; shift 3
    parec -d nullsink.monitor --latency-msec=20 --format=s16le --rate=$rate --channels=1 >"$work/$name.raw" &
    local rec=$!
    sleep 0.3
    "$@"
    local rc=$?
    sleep 0.3
    kill "$rec"; wait "$rec" 2>/dev/null
    echo "== $name (exit $rc)"
    if [ $rc -ne 0 ] || ! python3 "$here/tones.py" "$work/$name.raw" $rate "$expected" "$absent"; then
        status=1
    fi
}

printf 'Probe\nA_1,300, REST,100, E_2,300, FINE\n' >"$work/probe.msk"
record preset 932,988,1046 700,1500 "$appdir/brenvik-melody" "$appdir/Timer.msk" Default
record melody 440,659 932 "$appdir/brenvik-melody" "$work/probe.msk" Probe
# A bare name, as the settings hold it, is found in the current folder.
# The player is a widget program (it measures the UI thread): no display needed.
record wave 587,784 440,1046 env QT_QPA_PLATFORM=offscreen LD_PRELOAD="$probe" \
    ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0" \
    bash -c 'cd "$1" && exec "$2" törö.wav 2500 2>"$3"' - "$appdir" "$playwave" "$work/wave.err"
cat "$work/wave.err"
if grep -q "teardown probe" "$work/wave.err"; then
    echo "FAIL: Qt Multimedia's teardown ran at exit"
    status=1
fi
exit $status
