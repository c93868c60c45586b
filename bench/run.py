#!/usr/bin/env python3
"""Measures Brenvik Timer side by side with xclock and a minimal Qt clock.

Run through bench/run.sh, which builds what is measured. Prints a markdown table.
"""
import glob
import os
import re
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.environ.get("BENCH_BUILD", os.path.join(TOP, "build-bench"))
OURS = os.path.join(BUILD, "app", "brenvik-timer")
FLOOR = os.path.join(BUILD, "bench", "qt-floor-clock")
MAPWATCH = os.path.join(BUILD, "bench", "mapwatch")
XCLOCK = ["xclock", "-digital", "-update", "1"]
RUNS = int(os.environ.get("BENCH_RUNS", "5"))
IDLE_S = float(os.environ.get("BENCH_IDLE_SECONDS", "60"))


def log(msg):
    print(msg, file=sys.stderr, flush=True)


def start_xvfb():
    d = 80
    while os.path.exists(f"/tmp/.X11-unix/X{d}") or os.path.exists(f"/tmp/.X{d}-lock"):
        d += 1
    proc = subprocess.Popen(["Xvfb", f":{d}", "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    for _ in range(100):
        if os.path.exists(f"/tmp/.X11-unix/X{d}"):
            break
        time.sleep(0.05)
    return proc, f":{d}"


def start_pulseaudio(runtime):
    """A sound server whose only sink is a null sink, so tones really play."""
    if not shutil.which("pulseaudio"):
        log("no pulseaudio: the sound figures use whatever output exists")
        return False
    subprocess.run(["pulseaudio", "-D", "--exit-idle-time=-1", "--disallow-exit", "-n",
                    "--load=module-null-sink sink_name=nullsink",
                    "--load=module-native-protocol-unix"],
                   capture_output=True, env=dict(os.environ, XDG_RUNTIME_DIR=runtime))
    for _ in range(50):
        if subprocess.run(["pactl", "info"], capture_output=True).returncode == 0:
            return True
        time.sleep(0.1)
    return False


def startup(cmd, maps):
    """Median launch-to-map times (ms) of the first `maps` windows, over RUNS launches."""
    samples = [[] for _ in range(maps)]
    for _ in range(RUNS):
        out = subprocess.run([MAPWATCH, "--maps", str(maps), "--timeout", "15", "--"] + cmd,
                             capture_output=True, text=True).stdout
        times = [float(m.group(1)) for m in re.finditer(r"^map ([0-9.]+) ", out, re.M)]
        for i in range(min(maps, len(times))):
            samples[i].append(times[i])
        time.sleep(0.3)
    return [statistics.median(s) if s else None for s in samples]


def proc_cpu_ms(pid):
    """Time on a processor of all the process's threads (schedstat: nanoseconds,
    finer than the clock ticks of /proc/PID/stat)."""
    total = 0
    for path in glob.glob(f"/proc/{pid}/task/*/schedstat"):
        try:
            with open(path) as f:
                total += int(f.read().split()[0])
        except (FileNotFoundError, ProcessLookupError):
            pass
    return total / 1e6


def proc_ctx(pid):
    total = 0
    for status in glob.glob(f"/proc/{pid}/task/*/status"):
        try:
            with open(status) as f:
                for line in f:
                    if line.startswith(("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")):
                        total += int(line.split()[1])
        except FileNotFoundError:
            pass
    return total


def proc_mem_mb(pid):
    vals = {}
    with open(f"/proc/{pid}/smaps_rollup") as f:
        for line in f:
            parts = line.split()
            if parts[0] in ("Rss:", "Pss:"):
                vals[parts[0][:-1]] = int(parts[1]) / 1024.0
    return vals.get("Rss"), vals.get("Pss")


def idle(cmd):
    """CPU ms and context switches per minute of idle ticking, and memory after 10 s."""
    proc = subprocess.Popen(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        time.sleep(10)
        rss, pss = proc_mem_mb(proc.pid)
        cpu0, ctx0 = proc_cpu_ms(proc.pid), proc_ctx(proc.pid)
        time.sleep(IDLE_S)
        cpu1, ctx1 = proc_cpu_ms(proc.pid), proc_ctx(proc.pid)
    finally:
        proc.send_signal(signal.SIGTERM)
        try:
            proc.wait(5)
        except subprocess.TimeoutExpired:
            proc.kill()
    scale = 60.0 / IDLE_S
    return (cpu1 - cpu0) * scale, (ctx1 - ctx0) * scale, rss, pss


def fmt(v, digits=0):
    if v is None:
        return "–"
    return f"{v:.{digits}f}"


def ratio(a, b):
    if a is None or b is None or b == 0:
        return "–"
    return f"{a / b:.2f}"


def run_extra(name, args):
    """Runs one of the in-process benchmark programs; returns its key=value lines."""
    path = os.path.join(BUILD, "bench", name)
    if not os.path.exists(path):
        return None
    out = subprocess.run([path] + args, capture_output=True, text=True, timeout=900)
    result = {}
    lines = out.stdout.splitlines()
    for i, line in enumerate(lines):
        bench = re.match(r"RESULT : \w+::(\w+)\(\):", line)
        if bench and i + 1 < len(lines):
            m = re.match(r"\s+([0-9.,]+) (.+?) per iteration", lines[i + 1])
            if m:
                result[f"{bench.group(1)} ({m.group(2)})"] = m.group(1)
        elif "=" in line and not line.startswith(" "):
            k, v = line.split("=", 1)
            result[k.strip()] = v.strip()
    if out.returncode != 0:
        log(f"{name} failed ({out.returncode}): {out.stderr[-500:]}")
    return result


def main():
    for tool in (OURS, FLOOR, MAPWATCH):
        if not os.path.exists(tool):
            sys.exit(f"missing {tool}: run bench/run.sh")
    if not shutil.which("xclock"):
        sys.exit("xclock missing (Debian package x11-apps)")

    runtime = tempfile.mkdtemp(prefix="brenvik-bench-")
    os.chmod(runtime, 0o700)
    os.environ["XDG_RUNTIME_DIR"] = runtime
    xvfb, display = start_xvfb()
    os.environ["DISPLAY"] = display
    try:
        log("start-up ...")
        ours_start = startup([OURS], 2)
        floor_start = startup([FLOOR], 1)
        xclock_start = startup(XCLOCK, 1)
        log(f"idle, {IDLE_S:.0f} s each ...")
        ours_idle = idle([OURS])
        floor_idle = idle([FLOOR])
        xclock_idle = idle(XCLOCK)
    finally:
        xvfb.terminate()
        xvfb.wait()

    os.environ["QT_QPA_PLATFORM"] = "offscreen"
    log("tick cost ...")
    tick = run_extra("tickbench", [])
    if tick is not None and shutil.which("valgrind"):
        tick.update(run_extra("tickbench", ["-callgrind"]) or {})
    log("alarm latency ...")
    latency = run_extra("alarmlatency", [])
    log("sound ...")
    pulse = start_pulseaudio(runtime)
    try:
        sound = run_extra("soundbench", [])
    finally:
        if pulse:
            subprocess.run(["pulseaudio", "--kill"], capture_output=True)
    shutil.rmtree(runtime, ignore_errors=True)

    rows = [
        ("start-up: launch to first window mapped (ms, median of %d)" % RUNS,
         ours_start[0], floor_start[0], xclock_start[0], 0),
        ("start-up: launch to main window mapped (ms)", ours_start[1], floor_start[0], xclock_start[0], 0),
        ("idle CPU per minute (ms, user+system)", ours_idle[0], floor_idle[0], xclock_idle[0], 1),
        ("context switches per minute", ours_idle[1], floor_idle[1], xclock_idle[1], 0),
        ("resident memory after 10 s (MB)", ours_idle[2], floor_idle[2], xclock_idle[2], 1),
        ("proportional memory after 10 s (MB)", ours_idle[3], floor_idle[3], xclock_idle[3], 1),
    ]
    print(f"| measure | Brenvik Timer | Qt floor | xclock | ours/Qt floor | ours/xclock |")
    print("|---|---:|---:|---:|---:|---:|")
    for name, o, q, x, d in rows:
        print(f"| {name} | {fmt(o, d)} | {fmt(q, d)} | {fmt(x, d)} | {ratio(o, q)} | {ratio(o, x)} |")
    if ours_start[0] is not None and ours_start[1] is not None:
        print(f"\nMain window after the splash, less the 1500 ms pause: "
              f"{ours_start[1] - ours_start[0] - 1500:.0f} ms")
    extra = [("tick cost", tick), ("alarm latency", latency), ("sound", sound)]
    for title, values in extra:
        if values is None:
            print(f"\n{title}: not built")
            continue
        print(f"\n| {title} | value |\n|---|---:|")
        for k, v in values.items():
            print(f"| {k} | {v} |")


if __name__ == "__main__":
    main()
