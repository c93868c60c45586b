#!/usr/bin/env python3
"""How exactly the alarm's melody keeps its time, measured in what the sound
card really played.

    bench/sound_timing.py [--runs N] [--quiet] [--stall MS] BUILD_DIR

Starts a private PulseAudio server with a 48 kHz null sink, records its
monitor, keeps every core busy with a busy loop of this script's priority
(unless --quiet), and runs BUILD_DIR/bench/alarmsoundbench: the alarm's sound
step with speaker and sound-card modes set (the melody through the sound
card, then a wave file). With --stall MS the program's UI thread is also kept
busy for up to MS at a time while it handles events. Then it finds, in the
recording, where each step of the melody starts and checks

  - every step starts within +-5 ms of its written start, counted from the
    first step;
  - no tone holds a gap (1 ms or more of silence);
  - the 3-second rest lasts 3 s +-5 ms;
  - the wave file starts after the melody's last tone has ended.

BUILD_DIR is a build with -DBRENVIK_BENCH=ON (bench/run.sh makes build-bench).
Prints one markdown table row per run; exit status 1 when a run misses.
"""
import argparse
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import wave

RATE = 48000
LOUD = 2000          # the tones are square waves of 0.3 full scale (9830)
GAP = RATE // 1000   # 1 ms of silence inside a tone is a gap
WAVE_HZ = 2500

# Tones, short and long, rests from 50 ms to 3 s; adjacent tones differ in
# pitch so each start shows.
MELODY = [("C_1", 120), ("E_1", 120), ("G_1", 120), ("C_2", 240), ("REST", 200), ("G_1", 80),
          ("A_1", 80), ("B_1", 80), ("C_2", 80), ("D_2", 160), ("REST", 100), ("E_2", 50),
          ("D_2", 50), ("C_2", 50), ("B_1", 50), ("A_1", 300), ("REST", 3000), ("C_1", 150),
          ("G_1", 150), ("C_2", 150), ("REST", 60), ("E_2", 400), ("D_2", 120), ("C_2", 120),
          ("B_1", 120), ("A_1", 120), ("G_1", 240), ("REST", 50), ("E_1", 120), ("C_1", 500)]
NOTES = {"C_1": 261, "D_1": 293, "E_1": 329, "F_1": 349, "G_1": 392, "A_1": 440, "B_1": 494,
         "C_2": 523, "D_2": 587, "E_2": 659, "REST": 1}


def write_inputs(folder):
    msk = os.path.join(folder, "bench.msk")
    with open(msk, "w") as f:
        f.write("Bench\n" + "".join("%s,%d,\n" % step for step in MELODY) + "FINE\n")
    wav = os.path.join(folder, "bench.wav")
    with wave.open(wav, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        # A square wave of its own pitch, at half scale.
        half = RATE / (2.0 * WAVE_HZ)
        w.writeframes(b"".join(struct.pack("<h", 16000 if int(i / half) % 2 == 0 else -16000)
                               for i in range(RATE)))
    return msk, wav


def start_pulse(work):
    env = dict(os.environ, XDG_RUNTIME_DIR=work, HOME=work)
    env.pop("PULSE_SERVER", None)
    server = subprocess.Popen(
        ["pulseaudio", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit", "-n",
         "--use-pid-file=no",
         "--load=module-null-sink sink_name=nullsink rate=%d" % RATE,
         "--load=module-native-protocol-unix auth-anonymous=1",
         "--log-target=file:" + os.path.join(work, "pulse.log")],
        env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    env["PULSE_SERVER"] = "unix:" + os.path.join(work, "pulse", "native")
    for _ in range(50):
        if subprocess.run(["pactl", "info"], env=env, capture_output=True).returncode == 0:
            subprocess.run(["pactl", "set-default-sink", "nullsink"], env=env, capture_output=True)
            return server, env
        time.sleep(0.1)
    server.kill()
    raise SystemExit("no PulseAudio server could be started")


def crossings(samples, start, end):
    """Indices where the loud signal changes sign, between start and end."""
    out = []
    previous = 0
    for i in range(max(0, start), min(end, len(samples))):
        v = samples[i]
        sign = 1 if v > LOUD else (-1 if v < -LOUD else 0)
        if sign and sign != previous:
            if previous:
                out.append((i, sign))
            previous = sign
    return out


def tone_start(samples, frequency, around, window):
    """Where a tone of the given pitch starts near `around`: the renderer
    starts every tone with its positive half period."""
    half = RATE / (2.0 * frequency)
    cs = crossings(samples, around - window, around + window + int(4 * half) + 2)
    for k in range(len(cs) - 3):
        spans = [cs[k + j + 1][0] - cs[k + j][0] for j in range(3)]
        if all(abs(s - half) <= max(1.5, half * 0.05) for s in spans):
            at, sign = cs[k]
            if sign > 0:
                return at
            # The first flip comes after ceil(RATE / (2 f)) frames.
            return at - -(-RATE // (2 * frequency))
    return None


def analyse(raw):
    with open(raw, "rb") as f:
        data = f.read()
    samples = struct.unpack("<%dh" % (len(data) // 2), data[: len(data) // 2 * 2])
    steps = [(NOTES[n], d) for n, d in MELODY]
    first_tone = next(i for i, v in enumerate(samples) if abs(v) > LOUD)
    first = tone_start(samples, steps[0][0], first_tone + int(RATE / (2.0 * steps[0][0])), 2 * GAP)
    if first is None:
        return None
    result = {"worst start (ms)": 0.0, "gaps in tones": 0, "longest gap (ms)": 0.0}
    written = 0
    starts = []
    for f, d in steps:
        expected = first + written * RATE // 1000
        if f != 1:
            s = tone_start(samples, f, expected, 30 * GAP)
            if s is None:
                result["missing step at (ms)"] = written
                return result
            deviation = (s - expected) * 1000.0 / RATE
            if abs(deviation) > abs(result["worst start (ms)"]):
                result["worst start (ms)"] = deviation
            starts.append((s, f, d))
            # Silence inside the tone.
            run = 0
            for i in range(s, s + d * RATE // 1000):
                run = run + 1 if abs(samples[i]) < LOUD else 0
                if run == GAP:
                    result["gaps in tones"] += 1
                if run >= GAP:
                    result["longest gap (ms)"] = max(result["longest gap (ms)"], run * 1000.0 / RATE)
        written += d
    # The 3-second rest: from the end of the tone before to the start of the
    # tone after, both as recorded.
    rest_at = sum(d for _, d in steps[: [d for _, d in steps].index(3000)])
    before = [s for s in starts if (s[0] - first) * 1000 // RATE < rest_at][-1]
    after = [s for s in starts if (s[0] - first) * 1000 // RATE > rest_at][0]
    end_before = before[0] + before[2] * RATE // 1000
    while abs(samples[end_before - 1]) < LOUD:
        end_before -= 1
    result["3 s rest (ms)"] = (after[0] - end_before) * 1000.0 / RATE
    # The wave file: the first loud sample after the last tone has ended.
    last = starts[-1]
    end = last[0] + last[2] * RATE // 1000
    while end < len(samples) and abs(samples[end]) > LOUD:
        end += 1
    wave_start = next((i for i in range(end, len(samples)) if abs(samples[i]) > LOUD), None)
    result["wave after last tone (ms)"] = None if wave_start is None else (wave_start - end) * 1000.0 / RATE
    return result


def one_run(build, stall):
    work = tempfile.mkdtemp(prefix="brenvik-timing-")
    os.chmod(work, 0o700)
    server, env = start_pulse(work)
    recorder = None
    try:
        msk, wav = write_inputs(work)
        raw = os.path.join(work, "rec.raw")
        recorder = subprocess.Popen(["parec", "-d", "nullsink.monitor", "--latency-msec=20", "--format=s16le",
                                     "--rate=%d" % RATE, "--channels=1"], stdout=open(raw, "wb"), env=env)
        time.sleep(0.5)
        env = dict(env, QT_QPA_PLATFORM="offscreen",
                   BRENVIK_AUDIO_MODULE=os.path.join(build, "app", "brenvik-audio.so"), BRENVIK_PCSPKR="")
        args = [os.path.join(build, "bench", "alarmsoundbench"), msk, "Bench", wav]
        if stall:
            args.append(str(stall))
        out = subprocess.run(args, env=env, capture_output=True, text=True, timeout=60)
        time.sleep(0.3)
        recorder.terminate()
        recorder.wait()
        recorder = None
        result = analyse(raw) or {}
        result["program"] = " ".join(line.split("=", 1)[1] for line in out.stdout.splitlines() if "=" in line)
        return result
    finally:
        if recorder:
            recorder.kill()
        server.terminate()
        server.wait()
        shutil.rmtree(work, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--quiet", action="store_true", help="no busy loops")
    parser.add_argument("--stall", type=int, default=0, help="UI thread busy up to MS at a time")
    parser.add_argument("build")
    options = parser.parse_args()
    build = os.path.abspath(options.build)
    if not os.path.exists(os.path.join(build, "bench", "alarmsoundbench")):
        raise SystemExit("no %s/bench/alarmsoundbench: configure with -DBRENVIK_BENCH=ON" % build)
    loops = [] if options.quiet else [
        subprocess.Popen(["sh", "-c", "while :; do :; done"]) for _ in range(os.cpu_count() or 2)]
    missed = False
    try:
        print("| run | load | worst step start (ms) | gaps in tones | longest gap (ms) | 3 s rest (ms) "
              "| wave after last tone (ms) | program |")
        print("|---|---:|---:|---:|---:|---:|---:|---|")
        for n in range(1, options.runs + 1):
            load = os.getloadavg()[0]
            r = one_run(build, options.stall)
            wave_after = r.get("wave after last tone (ms)")
            print("| %d | %.1f | %+.1f | %d | %.1f | %.1f | %s | %s |" % (
                n, load, r.get("worst start (ms)", float("nan")), r.get("gaps in tones", -1),
                r.get("longest gap (ms)", float("nan")), r.get("3 s rest (ms)", float("nan")),
                "none" if wave_after is None else "%.1f" % wave_after, r.get("program", "")))
            sys.stdout.flush()
            ok = ("missing step at (ms)" not in r and abs(r.get("worst start (ms)", 99)) <= 5
                  and r.get("gaps in tones", 1) == 0 and abs(r.get("3 s rest (ms)", 0) - 3000) <= 5
                  and wave_after is not None and wave_after >= 0)
            if not ok:
                missed = True
                if "missing step at (ms)" in r:
                    print("  step at %d ms not found in the recording" % r["missing step at (ms)"])
    finally:
        for loop in loops:
            loop.kill()
            loop.wait()
    return 1 if missed else 0


if __name__ == "__main__":
    sys.exit(main())
