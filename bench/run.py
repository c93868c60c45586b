#!/usr/bin/env python3
"""Measures Brenvik Timer side by side with xclock and a minimal Qt clock.

Run through bench/run.sh, which builds what is measured. Prints markdown tables.

    BENCH_ONLY=idle,latency   only these sections (startup, idle, tick, latency, sound, repeat, face)
    BENCH_IDLE_SECONDS=60     length of each idle measurement
    BENCH_RUNS=5              launches for the start-up median
    BENCH_PROGRAM=PATH        another build of the program (to compare)
"""
import glob
import os
import re
import shutil
import signal
import statistics
import struct
import subprocess
import sys
import tempfile
import time
import wave

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(TOP, "tests", "e2e"))
import brenvik_e2e as e2e  # noqa: E402  (the desktop the end-to-end tests use)

BUILD = os.environ.get("BENCH_BUILD", os.path.join(TOP, "build-bench"))
OURS = os.environ.get("BENCH_PROGRAM", os.path.join(BUILD, "app", "brenvik-timer"))
FLOOR = os.path.join(BUILD, "bench", "qt-floor-clock")
MAPWATCH = os.path.join(BUILD, "bench", "mapwatch")
XCLOCK = ["xclock", "-digital", "-update", "1"]
RUNS = int(os.environ.get("BENCH_RUNS", "5"))
IDLE_S = float(os.environ.get("BENCH_IDLE_SECONDS", "60"))
SETTLE_S = 10
SECTIONS = set(filter(None, os.environ.get(
    "BENCH_ONLY", "startup,idle,tick,latency,sound,repeat,face").split(",")))
# Targets against the Qt floor from the same run.
TARGET_CPU = 1.0
TARGET_CTX = 1.5
TARGET_RSS = 1.5


def log(msg):
    print(msg, file=sys.stderr, flush=True)


# --- start-up on a bare X server ----------------------------------------------


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


def startup(cmd, maps, env):
    """Median launch-to-map times (ms) of the first `maps` windows, over RUNS launches."""
    samples = [[] for _ in range(maps)]
    for _ in range(RUNS):
        out = subprocess.run([MAPWATCH, "--maps", str(maps), "--timeout", "15", "--"] + cmd,
                             capture_output=True, text=True, env=env).stdout
        times = [float(m.group(1)) for m in re.finditer(r"^map ([0-9.]+) ", out, re.M)]
        for i in range(min(maps, len(times))):
            samples[i].append(times[i])
        time.sleep(0.3)
    return [statistics.median(s) if s else None for s in samples]


def measure_startup():
    # No window manager here: every program maps its own windows, which is
    # what mapwatch sees on the root window.
    xvfb, display = start_xvfb()
    env = dict(os.environ, DISPLAY=display)
    try:
        return (startup([OURS], 2, env), startup([FLOOR], 1, env), startup(XCLOCK, 1, env))
    finally:
        xvfb.terminate()
        xvfb.wait()


# --- idle cost as users run it ------------------------------------------------


def perf_usable():
    if not shutil.which("perf"):
        return False
    probe = subprocess.run(["perf", "stat", "-x,", "-e", "task-clock,context-switches", "true"],
                           capture_output=True, text=True)
    return probe.returncode == 0 and "task-clock" in probe.stderr


def threads(pid):
    """Per thread: name, processor ns (schedstat), voluntary and involuntary switches."""
    result = {}
    for task in glob.glob(f"/proc/{pid}/task/*"):
        try:
            with open(f"{task}/comm") as f:
                name = f.read().strip()
            with open(f"{task}/schedstat") as f:
                ns = int(f.read().split()[0])
            vol = invol = 0
            with open(f"{task}/status") as f:
                for line in f:
                    if line.startswith("voluntary_ctxt_switches"):
                        vol = int(line.split()[1])
                    elif line.startswith("nonvoluntary_ctxt_switches"):
                        invol = int(line.split()[1])
        except (FileNotFoundError, ProcessLookupError):
            continue
        result[os.path.basename(task)] = (name, ns, vol, invol)
    return result


def rss_mb(pid):
    with open(f"/proc/{pid}/smaps_rollup") as f:
        for line in f:
            if line.startswith("Rss:"):
                return int(line.split()[1]) / 1024.0
    return None


class Watch:
    """Processor time and context switches of several processes over one window
    of time: perf stat when it works, else the sum of the threads' schedstat."""

    def __init__(self, pids, use_perf):
        self.pids = pids
        self.use_perf = use_perf
        self.perf = {}

    def __enter__(self):
        self.start = {name: threads(pid) for name, pid in self.pids.items()}
        self.t0 = time.monotonic()
        if self.use_perf:
            self.files = {}
            for name, pid in self.pids.items():
                out = tempfile.NamedTemporaryFile(prefix="brenvik-perf-", delete=False)
                out.close()
                self.files[name] = out.name
                # perf counts every thread of the process that exists at its start.
                self.perf[name] = subprocess.Popen(
                    ["perf", "stat", "-x,", "-o", out.name, "-e", "task-clock,context-switches",
                     "-p", str(pid)], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return self

    def __exit__(self, *exc):
        for proc in self.perf.values():
            proc.send_signal(signal.SIGINT)
        for proc in self.perf.values():
            proc.wait(10)
        self.seconds = time.monotonic() - self.t0
        self.end = {name: threads(pid) for name, pid in self.pids.items()}

    def result(self, name):
        """(CPU ms, context switches) per minute, and the per-thread rows."""
        scale = 60.0 / self.seconds
        rows = []
        for tid, (comm, ns, vol, invol) in sorted(self.end[name].items(), key=lambda kv: int(kv[0])):
            if tid not in self.start[name]:
                continue
            _, ns0, vol0, invol0 = self.start[name][tid]
            rows.append((comm, tid, (ns - ns0) / 1e6 * scale, (vol - vol0) * scale,
                         (invol - invol0) * scale))
        cpu = sum(r[2] for r in rows)
        ctx = sum(r[3] + r[4] for r in rows)
        if self.use_perf:
            with open(self.files[name]) as f:
                text = f.read()
            os.unlink(self.files[name])
            for line in text.splitlines():
                fields = line.split(",")
                if len(fields) > 2 and fields[0] and fields[0][0].isdigit():
                    if fields[2].startswith("task-clock"):
                        cpu = float(fields[0]) * scale
                    elif fields[2].startswith("context-switches"):
                        ctx = float(fields[0]) * scale
        return cpu, ctx, rows


def write_wave(path, seconds=0.3, rate=22050):
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(rate)
        frames = b"".join(struct.pack("<h", 8000 if (i // 25) % 2 else -8000)
                          for i in range(int(seconds * rate)))
        w.writeframes(frames)


def start_pulseaudio(env):
    """A sound server whose only sink is a null sink, so sounds really play."""
    if not shutil.which("pulseaudio"):
        log("no pulseaudio: the sound figures use whatever output exists")
        return False
    subprocess.run(["pulseaudio", "-D", "--exit-idle-time=-1", "--disallow-exit", "-n",
                    "--load=module-null-sink sink_name=nullsink",
                    "--load=module-native-protocol-unix"], capture_output=True, env=env)
    for _ in range(50):
        if subprocess.run(["pactl", "info"], capture_output=True, env=env).returncode == 0:
            return True
        time.sleep(0.1)
    return False


def stop_pulseaudio(env):
    subprocess.run(["pulseaudio", "--kill"], capture_output=True, env=env)


def focus_hour_field(desk, wid, top):
    # seStunde lies at (96, 80), 49 x 23, in the client area.
    desk.click(wid, 96 + 24, top + 80 + 11)
    desk.x("xdotool", "mousemove", "0", "0")


def measure_idle(use_perf):
    """Idle minutes on Xvfb with openbox: ours with its main window active and the
    hour field focused (disarmed, armed, after the first sound), the Qt floor
    and xclock beside it in the same minutes."""
    # The alarm for the armed minute lies far ahead; the one for the sound
    # comes a few seconds after arming.
    now = time.localtime(time.time() + 20 + SETTLE_S)
    far = time.localtime(time.time() + 6 * 3600)
    desk = e2e.Desktop(OURS, settings=(
        "[Sound]\r\nFile=%s\r\nOhne=0\r\nSpeaker=0\r\nSoundkarte=1\r\n"
        "[Meldung]\r\nAlarmMeldung=Bench\r\nStunde=%d\r\nMinute=%d\r\nSekunde=%d\r\n"
        % ("PLACEHOLDER", far.tm_hour, far.tm_min, far.tm_sec)))
    sound = os.path.join(desk.folder, "bench.wav")
    write_wave(sound)
    ini = os.path.join(desk.folder, "Timer.ini")
    with open(ini, encoding="utf-8") as f:
        text = f.read().replace("PLACEHOLDER", sound)
    with open(ini, "w", encoding="utf-8") as f:
        f.write(text)

    phases = []
    pulse = False
    try:
        desk.start_x()
        pulse = start_pulseaudio(desk.env)
        floor = desk._spawn([FLOOR], env=desk.env, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
        xclock = desk._spawn(XCLOCK + ["-geometry", "+700+500"], env=desk.env,
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        desk.start_program()
        wid, top = e2e.main_window(desk)
        desk.x("xdotool", "windowmove", "--sync", str(wid), "300", "200")
        pids = {"ours": desk.program.pid, "floor": floor.pid, "xclock": xclock.pid}

        def phase(title):
            focus_hour_field(desk, wid, top)
            time.sleep(SETTLE_S)
            check_active = desk.active_window() == wid
            rss = {name: rss_mb(pid) for name, pid in pids.items()}
            log(f"  {title} ({IDLE_S:.0f} s)")
            with Watch(pids, use_perf) as w:
                time.sleep(IDLE_S)
            phases.append((title, {name: w.result(name) for name in pids}, rss, check_active))

        phase("idle, disarmed")
        # Arm with the fields from Timer.ini (hours ahead).
        desk.click(wid, 96 + 80, top + 152 + 12)
        e2e.wait_for("the armed title", lambda: desk.icon_name(wid) == e2e.ARMED, timeout=15)
        phase("idle, alarm armed")
        # Disarm, arm for a few seconds ahead, let the sound play, confirm.
        desk.click(wid, 96 + 80, top + 152 + 12)
        e2e.wait_for("the disarmed title", lambda: desk.icon_name(wid) == e2e.TITLE, timeout=15)
        soon = time.localtime(time.time() + 4)
        for field, value in ((96, soon.tm_hour), (152, soon.tm_min), (208, soon.tm_sec)):
            desk.click(wid, field + 24, top + 80 + 11)
            desk.x("xdotool", "key", "ctrl+a", "BackSpace")
            desk.x("xdotool", "type", str(value))
        desk.click(wid, 96 + 80, top + 152 + 12)
        box = e2e.wait_for("the alarm message", lambda: desk.window_titled("Information"),
                           timeout=30)
        time.sleep(1)
        desk.key(box, "Return")
        e2e.wait_for("the disarmed title", lambda: desk.icon_name(wid) == e2e.TITLE, timeout=15)
        phase("idle, after the first sound")
        output = desk.output()
        if output:
            log("the program printed: " + output[-500:])
    finally:
        if pulse:
            stop_pulseaudio(desk.env)
        desk.close()
    return phases


# --- in-process benchmark programs ----------------------------------------------


def run_extra(name, args, env=None):
    """Runs one of the in-process benchmark programs; returns its key=value lines."""
    path = os.path.join(BUILD, "bench", name)
    if not os.path.exists(path):
        return None
    out = subprocess.run([path] + args, capture_output=True, text=True, timeout=900, env=env)
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


def measure_latency():
    """Alarm second to the alarm box mapped, on Xvfb with openbox: quiet, and
    with both cores kept busy by processes of the same priority."""
    desk = e2e.Desktop(OURS)
    results = []
    try:
        desk.start_x()
        results.append(("quiet", run_extra("alarmlatency", ["20"], env=desk.env)))
        hogs = [subprocess.Popen([sys.executable, "-c", "while True: pass"],
                                 preexec_fn=e2e._die_with_parent) for _ in range(os.cpu_count() or 2)]
        try:
            results.append(("both cores busy", run_extra("alarmlatency", ["20"], env=desk.env)))
        finally:
            for hog in hogs:
                hog.kill()
                hog.wait()
    finally:
        desk.close()
    return results


def measure_sound():
    runtime = tempfile.mkdtemp(prefix="brenvik-bench-")
    os.chmod(runtime, 0o700)
    env = dict(os.environ, XDG_RUNTIME_DIR=runtime, QT_QPA_PLATFORM="offscreen",
               BRENVIK_AUDIO_MODULE=os.path.join(os.path.dirname(OURS), "brenvik-audio.so"))
    pulse = start_pulseaudio(env)
    try:
        return run_extra("soundbench", [], env=env)
    finally:
        if pulse:
            stop_pulseaudio(env)
        shutil.rmtree(runtime, ignore_errors=True)


def measure_face():
    """The layout face's start-up step in fresh processes, offscreen: with the
    machine's font configuration and with the system's font folders alone,
    where the program registers the face itself. Medians of 4 x RUNS runs."""
    tmp = tempfile.mkdtemp(prefix="brenvik-bench-")
    os.chmod(tmp, 0o700)
    conf = os.path.join(tmp, "fonts.conf")
    with open(conf, "w") as f:
        f.write('<?xml version="1.0"?><!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">'
                '<fontconfig><dir>/usr/share/fonts</dir><cachedir>%s/cache</cachedir>'
                '<include ignore_missing="yes">/etc/fonts/conf.d</include></fontconfig>' % tmp)
    results = []
    try:
        for title, extra in (("machine's configuration", {}),
                             ("system font folders alone", {"FONTCONFIG_FILE": conf})):
            env = dict(os.environ, QT_QPA_PLATFORM="offscreen", XDG_RUNTIME_DIR=tmp)
            env.pop("FONTCONFIG_FILE", None)
            env.update(extra)
            runs = [run_extra("facebench", [], env=env) for _ in range(4 * RUNS)]
            if any(r is None for r in runs):
                results.append((title, None))
                continue
            values = {k: runs[0][k] for k in ("families", "registered", "text width")}
            for key in ("population ms", "face step ms", "first text ms"):
                values[key + " (median)"] = "%.2f" % statistics.median(float(r[key]) for r in runs)
            results.append((title, values))
    finally:
        shutil.rmtree(tmp, ignore_errors=True)
    return results


# --- output ------------------------------------------------------------------------


def fmt(v, digits=0):
    if v is None:
        return "–"
    return f"{v:.{digits}f}"


def ratio(a, b):
    if a is None or b is None or b == 0:
        return None
    return a / b


def verdict(r, target):
    if r is None:
        return "–"
    return "met" if r <= target else "missed"


def print_idle(phases, use_perf):
    how = ("perf stat -e task-clock,context-switches" if use_perf
           else "sum of the threads' schedstat and switch counts")
    print(f"\nIdle cost per minute on Xvfb with openbox, {IDLE_S:.0f} s each, measured with {how}; "
          "ours with its main window active and the hour field focused, the Qt floor and xclock "
          "in the same minutes.\n")
    print("| phase | measure | Brenvik Timer | Qt floor | xclock | ours/Qt floor | target | |")
    print("|---|---|---:|---:|---:|---:|---:|---|")
    for title, res, rss, active in phases:
        if not active:
            title += " (main window was not active)"
        measures = [("processor time (ms)", 0, 1, TARGET_CPU),
                    ("context switches", 1, 0, TARGET_CTX)]
        for label, index, digits, target in measures:
            o, q, x = res["ours"][index], res["floor"][index], res["xclock"][index]
            r = ratio(o, q)
            print(f"| {title} | {label} | {fmt(o, digits)} | {fmt(q, digits)} | {fmt(x, digits)} "
                  f"| {fmt(r, 2)} | ≤ {target:.1f} | {verdict(r, target)} |")
        r = ratio(rss["ours"], rss["floor"])
        print(f"| {title} | resident memory (MB) | {fmt(rss['ours'], 1)} | {fmt(rss['floor'], 1)} "
              f"| {fmt(rss['xclock'], 1)} | {fmt(r, 2)} | ≤ {TARGET_RSS:.1f} | {verdict(r, TARGET_RSS)} |")
    print("\nPer thread of Brenvik Timer (per minute):\n")
    print("| phase | thread | processor time (ms) | voluntary switches | involuntary switches |")
    print("|---|---|---:|---:|---:|")
    for title, res, _, _ in phases:
        for comm, tid, cpu, vol, invol in res["ours"][2]:
            if cpu >= 0.05 or vol or invol:
                print(f"| {title} | {comm} ({tid}) | {cpu:.1f} | {vol:.0f} | {invol:.0f} |")


def main():
    for tool in (OURS, FLOOR, MAPWATCH):
        if not os.path.exists(tool):
            sys.exit(f"missing {tool}: run bench/run.sh")
    missing = [t for t in ("Xvfb", "openbox", "xclock", "xdotool", "xprop", "xwininfo")
               if not shutil.which(t)]
    if missing:
        sys.exit("missing %s: run scripts/setup.sh" % " ".join(missing))

    if "startup" in SECTIONS:
        log("start-up ...")
        ours_start, floor_start, xclock_start = measure_startup()
        print("| start-up | Brenvik Timer | Qt floor | xclock | ours/Qt floor | ours/xclock |")
        print("|---|---:|---:|---:|---:|---:|")
        rows = [("launch to first window mapped (ms, median of %d)" % RUNS,
                 ours_start[0], floor_start[0], xclock_start[0]),
                ("launch to main window mapped (ms)", ours_start[1], floor_start[0], xclock_start[0])]
        for name, o, q, x in rows:
            print(f"| {name} | {fmt(o)} | {fmt(q)} | {fmt(x)} | {fmt(ratio(o, q), 2)} "
                  f"| {fmt(ratio(o, x), 2)} |")
        if ours_start[0] is not None and ours_start[1] is not None:
            print(f"\nMain window after the splash, less the 1500 ms pause: "
                  f"{ours_start[1] - ours_start[0] - 1500:.0f} ms")

    if "idle" in SECTIONS:
        use_perf = perf_usable()
        log("idle ..." + ("" if use_perf else " (perf not usable: schedstat)"))
        print_idle(measure_idle(use_perf), use_perf)

    extra = []
    if "tick" in SECTIONS:
        log("tick cost ...")
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
        tick = run_extra("tickbench", [], env=env)
        if tick is not None and shutil.which("valgrind"):
            tick.update(run_extra("tickbench", ["-callgrind"], env=env) or {})
        extra.append(("tick cost", tick))
    if "latency" in SECTIONS:
        log("alarm latency ...")
        for title, values in measure_latency():
            extra.append((f"alarm latency, {title}", values))
    if "sound" in SECTIONS:
        log("sound ...")
        extra.append(("sound", measure_sound()))
    if "repeat" in SECTIONS:
        log("arrow repeat ...")
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
        extra.append(("arrow held down", run_extra("repeatbench", ["10"], env=env)))
    if "face" in SECTIONS:
        log("layout face ...")
        for title, values in measure_face():
            extra.append((f"layout face, {title}", values))
    for title, values in extra:
        if values is None:
            print(f"\n{title}: not built")
            continue
        print(f"\n| {title} | value |\n|---|---:|")
        for k, v in values.items():
            print(f"| {k} | {v} |")


if __name__ == "__main__":
    main()
