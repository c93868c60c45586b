#!/usr/bin/env python3
"""End-to-end tests of the real program under Xvfb with openbox.

    brenvik_e2e.py PROGRAM SCENARIO

Each run starts its own X server on a free display, a window manager and the
program (a copy of it in a temporary folder, so a Timer.ini can lie beside it),
drives it with xdotool, reads it with xprop, xwininfo, xclip and screenshots,
and stops everything it started. Standard library only.
"""

import ctypes
import math
import os
import random
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

SPLASH_SIZE = (274, 104)
MAIN_CLIENT = (274, 233)
TITLE = "Brenvik Timer"
ARMED = "Alarm: AKTIV"
FAKETIME_LIBRARY = "/usr/lib/x86_64-linux-gnu/faketime/libfaketimeMT.so.1"


class Failure(Exception):
    pass


def check(condition, what):
    if not condition:
        raise Failure(what)


def _die_with_parent():
    # Children must not outlive a driver that ctest kills on a time-out.
    ctypes.CDLL("libc.so.6", use_errno=True).prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG


def under_ci():
    return os.environ.get("CI") == "true"


def sanitized():
    """Whether the program is a sanitizer build (CTest says so for the tests
    that time it, see brenvik_timed_test): several times slower than the
    program users run."""
    return os.environ.get("BRENVIK_SANITIZE", "") != ""


def scaled(seconds):
    """A time of the program's own: a bound it promises users, asserted as it
    is in the plain build, or the time it needs for a step; several times
    longer in a sanitizer build, where the behaviour is what counts."""
    return seconds * (5 if sanitized() else 1)


def cannot_run(why):
    """A scenario that cannot run here: SKIP (77), but FAIL (1) under CI, where
    scripts/setup.sh has installed everything. Returns the exit status."""
    if under_ci():
        print("FAIL: cannot run under CI: %s" % why)
        return 1
    print("SKIP: %s" % why)
    return 77


def missing_tools(missing):
    return cannot_run("missing %s (scripts/setup.sh installs them)" % " ".join(missing))


# What every scenario on an X desktop needs.
DESKTOP_TOOLS = ("Xvfb", "openbox", "xdotool", "xprop", "xwininfo")


def absent_tools(*tools, faketime=False):
    """Of the desktop's tools and `tools`, those not installed; with faketime,
    also libfaketime when it is missing. For missing_tools()."""
    missing = [t for t in DESKTOP_TOOLS + tools if not shutil.which(t)]
    if faketime and not os.path.exists(FAKETIME_LIBRARY):
        missing.append("libfaketime")
    return missing


def outcome(name, scenario, *cleanups):
    """Runs scenario(), then the cleanups; prints PASS or FAIL and returns the exit status."""
    try:
        scenario()
    except (Failure, subprocess.SubprocessError, OSError) as failure:
        print("FAIL: %s: %s" % (type(failure).__name__, failure))
        return 1
    finally:
        for cleanup in cleanups:
            cleanup()
    print("PASS: %s" % name)
    return 0


def python_with(modules):
    """An interpreter that imports `modules` (Debian's python3-* packages): this
    one, or the system's when another python runs the driver; None if neither."""
    for candidate in (sys.executable, "/usr/bin/python3"):
        if candidate and os.access(candidate, os.X_OK) and subprocess.run(
                [candidate, "-c", "import " + modules], capture_output=True).returncode == 0:
            return candidate
    return None


def run_scenario(program, name, scenario, options):
    """Runs scenario(desk) on a fresh desktop with the program; returns the exit status."""
    if not os.access(program, os.X_OK):
        print("FAIL: no program at %s" % program)
        return 1
    desk = Desktop(program, **options)
    return outcome(name, lambda: desk.run(scenario), desk.close)


def stop_processes(procs):
    """Ends the processes, the last started first: TERM, and KILL after 5 s."""
    for proc in reversed(procs):
        if proc.poll() is None:
            proc.terminate()
            try:
                proc.wait(5)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait()


def start_session_bus(spawn, env):
    """A private session bus, started with spawn(args, **kwargs); returns its address."""
    bus = spawn(["dbus-daemon", "--session", "--nofork", "--nopidfile", "--print-address=1"],
                env=env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    address = bus.stdout.readline().strip()
    check(address, "no session bus")
    return address


def wait_for(what, predicate, timeout=10.0, interval=0.05):
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure("timed out waiting for " + what)
        time.sleep(interval)


def _epoch(clock):
    return time.mktime(time.strptime(clock, "%Y-%m-%d %H:%M:%S"))


class MapWatch:
    """When windows are mapped, as the X server reports it to the probe
    (tests/e2e/mapprobe.cpp, its path in BRENVIK_MAPPROBE): a time measured
    by polling would include the polling's own delay, which grows with the
    machine's load."""

    def __init__(self, desk):
        probe = os.environ.get("BRENVIK_MAPPROBE", "")
        check(os.access(probe, os.X_OK), "no map probe (BRENVIK_MAPPROBE=%r)" % probe)
        self.proc = desk._spawn([probe], env=desk.env, stdout=subprocess.PIPE,
                                stderr=subprocess.DEVNULL)
        self.maps = []  # (time.monotonic(), title)
        self.lock = threading.Lock()
        ready = threading.Event()
        threading.Thread(target=self._read, args=(ready,), daemon=True).start()
        check(ready.wait(15), "the map probe did not start")

    def _read(self, ready):
        for line in self.proc.stdout:
            line = line.decode(errors="replace").rstrip("\n")
            if line == "ready":
                ready.set()
                continue
            at, _, rest = line.partition(" ")
            _, _, title = rest.partition(" ")
            with self.lock:
                self.maps.append((float(at), title))

    def mapped(self, title, after, timeout):
        """The moment the first window titled `title` was mapped at or after
        `after` (a time.monotonic())."""
        def seen():
            with self.lock:
                return next((at for at, t in self.maps if t == title and at >= after), None)
        return wait_for("%r mapped" % title, seen, timeout=timeout, interval=0.02)


class Desktop:
    """A private X server with openbox, and the program on it."""

    def __init__(self, program, settings=None, fake_time=None):
        self.procs = []
        self.tmp = tempfile.mkdtemp(prefix="brenvik-e2e-")
        self.runtime = os.path.join(self.tmp, "runtime")
        os.mkdir(self.runtime, 0o700)
        self.folder = os.path.join(self.tmp, "program")
        os.mkdir(self.folder)
        self.program_path = self._copy_program(program)
        if settings is not None:
            with open(os.path.join(self.folder, "Timer.ini"), "w", encoding="utf-8") as f:
                f.write(settings)
        self.fake_time = fake_time
        self.fake_offset = None
        self.env = None
        self.program = None

    def _copy_program(self, program):
        source = os.path.dirname(os.path.abspath(program))
        for name in os.listdir(source):
            path = os.path.join(source, name)
            if os.path.isfile(path) and not name.endswith(".cmake"):
                shutil.copy2(path, self.folder)
        return os.path.join(self.folder, os.path.basename(program))

    def _spawn(self, args, **kwargs):
        proc = subprocess.Popen(args, preexec_fn=_die_with_parent, **kwargs)
        self.procs.append(proc)
        return proc

    def start_x(self):
        # Display numbers far from the usual ones (:0, :90, :99 upwards), so no
        # other program on the machine mistakes this server for its own.
        for _ in range(8):
            number = random.randrange(300, 3000)
            if os.path.exists("/tmp/.X%d-lock" % number) or os.path.exists(
                    "/tmp/.X11-unix/X%d" % number):
                continue
            if self._try_display(number):
                return
        raise Failure("no X server with openbox could be started")

    def _try_display(self, number):
        started = len(self.procs)
        read_end, write_end = os.pipe()
        xvfb = self._spawn(["Xvfb", ":%d" % number, "-displayfd", str(write_end), "-screen", "0",
                            "1024x768x24", "-nolisten", "tcp"], pass_fds=(write_end,),
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        reported = b""
        deadline = time.monotonic() + 30
        while not reported.endswith(b"\n") and time.monotonic() < deadline:
            ready, _, _ = select.select([read_end], [], [], max(0.0, deadline - time.monotonic()))
            chunk = os.read(read_end, 16) if ready else b""
            if not chunk:
                break
            reported += chunk
        os.close(read_end)
        if reported.strip() != str(number).encode() or xvfb.poll() is not None:
            self._stop(started)
            return False
        self.env = dict(os.environ, DISPLAY=":%d" % number, XDG_RUNTIME_DIR=self.runtime,
                        LC_ALL="C.UTF-8")
        for key in ("QT_QPA_PLATFORM", "SESSION_MANAGER"):
            self.env.pop(key, None)
        openbox = self._spawn(["openbox"], env=self.env, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL)
        # openbox announces itself before it maps windows; a window it has
        # mapped shows it is ready (else a busy machine can swallow the splash).
        probe = self._spawn(["xmessage", "-name", "brenvik-probe", "probe"], env=self.env,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            wait_for("openbox to map windows", lambda: openbox.poll() is not None or self.x(
                "xdotool", "search", "--onlyvisible", "--classname", "brenvik-probe").strip(),
                timeout=20)
        except Failure:
            pass
        probe.terminate()
        probe.wait()
        if openbox.poll() is not None or "window id" not in self.x(
                "xprop", "-root", "_NET_SUPPORTING_WM_CHECK"):
            self._stop(started)
            return False
        return True

    def run(self, scenario):
        """Starts the X server and window manager, then runs scenario(self)."""
        self.start_x()
        scenario(self)

    def _stop(self, first=0):
        stop_processes(self.procs[first:])
        del self.procs[first:]

    def start_program(self):
        args = [self.program_path]
        env = dict(self.env)
        if self.fake_time:
            # What `faketime -f` does, without the wrapper process in between
            # (windows are found by the program's process id). An offset from
            # the real clock rather than a start time: the faked clock then
            # does not depend on how long the process took to start, so
            # moment() knows when the program sees a time. The program's clock
            # starts up to 1 s before fake_time.
            self.fake_offset = math.floor(_epoch(self.fake_time) - time.time())
            env["LD_PRELOAD"] = FAKETIME_LIBRARY
            env["FAKETIME"] = "%+d" % self.fake_offset
            env["FAKETIME_DONT_FAKE_MONOTONIC"] = "1"
            env["ASAN_OPTIONS"] = ":".join(
                filter(None, [env.get("ASAN_OPTIONS"), "verify_asan_link_order=0"]))
        self.out = open(os.path.join(self.tmp, "stdout"), "w+b")
        self.err = open(os.path.join(self.tmp, "stderr"), "w+b")
        self.started = time.monotonic()
        self.program = self._spawn(args, env=env, cwd=self.tmp, stdout=self.out, stderr=self.err)

    def moment(self, clock):
        """The time.monotonic() at which the program's faked wall clock reads
        `clock` ("2026-12-10 08:00:00")."""
        return time.monotonic() + (_epoch(clock) - self.fake_offset - time.time())

    def output(self):
        self.out.flush()
        self.err.flush()
        self.out.seek(0)
        self.err.seek(0)
        return (self.out.read() + self.err.read()).decode(errors="replace")

    def close(self):
        self._stop()
        shutil.rmtree(self.tmp, ignore_errors=True)

    # --- reading the screen ---------------------------------------------

    def x(self, *args, check_rc=False):
        result = subprocess.run(args, env=self.env, capture_output=True, text=True, timeout=20)
        if check_rc and result.returncode != 0:
            raise Failure("%s failed: %s" % (" ".join(args), result.stderr.strip()))
        return result.stdout

    def windows(self):
        """The program's viewable windows, in stacking order."""
        out = self.x("xdotool", "search", "--onlyvisible", "--pid", str(self.program.pid))
        return [int(w) for w in out.split()]

    def geometry(self, wid):
        """Client area in root coordinates: (x, y, width, height)."""
        info = {}
        for line in self.x("xwininfo", "-id", str(wid)).splitlines():
            key, _, value = line.strip().partition(":")
            info[key] = value.strip()
        try:
            return (int(info["Absolute upper-left X"]), int(info["Absolute upper-left Y"]),
                    int(info["Width"]), int(info["Height"]))
        except KeyError:
            return None

    def prop(self, wid, name):
        out = self.x("xprop", "-id", str(wid), name)
        _, sep, value = out.partition(" = ")
        if not sep:
            return None
        value = value.strip()
        if value.startswith('"') and value.endswith('"'):
            value = value[1:-1].encode("latin-1", "backslashreplace").decode(
                "unicode_escape").encode("latin-1").decode("utf-8")
        return value

    def title(self, wid):
        return self.prop(wid, "_NET_WM_NAME")

    def icon_name(self, wid):
        return self.prop(wid, "_NET_WM_ICON_NAME")

    def window_titled(self, title):
        for wid in self.windows():
            if self.title(wid) == title:
                return wid
        return None

    def active_window(self):
        out = self.x("xprop", "-root", "_NET_ACTIVE_WINDOW")
        try:
            return int(out.split()[-1], 16)
        except (IndexError, ValueError):
            return None

    def screenshot(self, rect):
        """The pixels of rect (x, y, w, h) as rows of (r, g, b)."""
        x, y, w, h = rect
        data = subprocess.run(["import", "-window", "root", "-crop", "%dx%d+%d+%d" % (w, h, x, y),
                               "-depth", "8", "rgb:-"], env=self.env, capture_output=True,
                              timeout=20).stdout
        check(len(data) == w * h * 3, "screenshot of %r failed" % (rect,))
        return [[tuple(data[(row * w + col) * 3:(row * w + col) * 3 + 3]) for col in range(w)]
                for row in range(h)]

    def clipboard_text_of(self, wid):
        """A message box copies its caption, text and buttons on Ctrl+C."""
        # xclip stays behind to serve the emptied clipboard: do not wait for it.
        subprocess.run(["xclip", "-selection", "clipboard", "-i", "/dev/null"], env=self.env,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=20)
        self.key(wid, "ctrl+c")
        return wait_for("the clipboard", lambda: self.x(
            "xclip", "-selection", "clipboard", "-o"), timeout=15)

    # --- driving ----------------------------------------------------------

    def activate(self, wid):
        self.x("xdotool", "windowactivate", "--sync", str(wid), check_rc=True)

    def key(self, wid, *keys):
        self.activate(wid)
        for k in keys:
            self.x("xdotool", "key", "--clearmodifiers", k, check_rc=True)
            time.sleep(0.15)

    def click(self, wid, x, y):
        self.activate(wid)
        gx, gy, _, _ = self.geometry(wid)
        target = (gx + x, gy + y)
        # "mousemove --sync" waits for the pointer to leave where it was, so
        # it never returns when the pointer is there already.
        if self.pointer() != target:
            self.x("xdotool", "mousemove", "--sync", str(target[0]), str(target[1]), check_rc=True)
        self.x("xdotool", "click", "1", check_rc=True)

    def pointer(self):
        """The pointer's position on the screen, or None."""
        fields = dict(f.partition(":")[::2] for f in self.x("xdotool", "getmouselocation").split())
        try:
            return (int(fields["x"]), int(fields["y"]))
        except (KeyError, ValueError):
            return None

    def exited(self, timeout=30):
        try:
            return self.program.wait(timeout)
        except subprocess.TimeoutExpired:
            return None


# --- what the scenarios share ---------------------------------------------------


def main_window(desk):
    """Waits for the main window; returns its id and its client area's top in
    the X window (below the menu bar)."""
    wid = wait_for("the main window", lambda: desk.window_titled(TITLE), timeout=60)
    _, _, width, height = desk.geometry(wid)
    check(width == MAIN_CLIENT[0], "main window is %d wide, not %d" % (width, MAIN_CLIENT[0]))
    check(height >= MAIN_CLIENT[1], "main window is %d high, less than %d" % (height, MAIN_CLIENT[1]))
    # The menu bar sits above the client area inside the X window.
    return wid, height - MAIN_CLIENT[1]


def button_rect(desk, wid, top):
    """btnActivate (96, 152, 161 x 25 in the client area) on the screen."""
    gx, gy, _, _ = desk.geometry(wid)
    return (gx + 96, gy + top + 152, 161, 25)


def ink_extent(pixels):
    """Columns of the darkest writing in a button picture: (first, last). The
    outer pixels are left out: a focused or hovered button draws its frame there."""
    cols = [c for c in range(4, len(pixels[0]) - 4)
            if any(sum(row[c]) < 200 for row in pixels[4:-4])]
    return (cols[0], cols[-1]) if cols else None


def caption_settles(desk, wid, top, expected, timeout=5.0):
    """The toggle button's ink extent once it equals `expected`, or the last one seen."""
    deadline = time.monotonic() + timeout
    while True:
        seen = ink_extent(desk.screenshot(button_rect(desk, wid, top)))
        if seen == expected or time.monotonic() > deadline:
            return seen
        time.sleep(0.2)


def arm_from_menu(desk, wid):
    desk.key(wid, "alt+a")
    # The next key must reach the open menu, not the window beneath it.
    wait_for("the menu", lambda: len(desk.windows()) > 1, timeout=15)
    desk.x("xdotool", "key", "--clearmodifiers", "5", check_rc=True)
    wait_for("the armed title", lambda: desk.icon_name(wid) == ARMED, timeout=15)


def settings(hour, minute, second, message):
    return ("[Sound]\r\nOhne=1\r\nSpeaker=0\r\nSoundkarte=0\r\n"
            "[Meldung]\r\nAlarmMeldung=%s\r\nStunde=%d\r\nMinute=%d\r\nSekunde=%d\r\n"
            % (message, hour, minute, second))


# --- scenarios -----------------------------------------------------------------


def scenario_startup(desk):
    """Splash first, alone; then the main window; Alt+F4 ends the program."""
    desk.start_program()
    seen = []  # (seconds since launch, [(wid, w, h)])
    polls = []
    splash_pixels = None
    while True:
        now = time.monotonic() - desk.started
        polls.append(round(now, 2))
        shown = []
        for wid in desk.windows():
            g = desk.geometry(wid)
            if g:
                shown.append((wid, g))
        if shown and (not seen or [s[0] for s in seen[-1][1]] != [s[0] for s in shown]):
            seen.append((now, shown))
        if splash_pixels is None and len(shown) == 1 and shown[0][1][2:] == SPLASH_SIZE:
            splash_pixels = desk.screenshot(shown[0][1])
        if any(desk.title(wid) == TITLE for wid, _ in shown):
            break
        check(now < 60, "no main window after 60 s; seen %r" % seen)
        time.sleep(0.01)

    first = seen[0][1]
    check(len(first) == 1 and first[0][1][2:] == SPLASH_SIZE,
          "the first window mapped is not the %dx%d splash: %r (polled at %r)"
          % (SPLASH_SIZE + (first, polls)))
    splash_id, (sx, sy, _, _) = first[0]
    check(abs(sx + 137 - 512) <= 1 and abs(sy + 52 - 384) <= 1, "splash not centred: %d,%d" % (sx, sy))
    for _, shown in seen:
        ids = [w for w, _ in shown]
        check(not (splash_id in ids and len(ids) > 1), "splash and main window shown together")
    check(splash_pixels is not None, "no picture of the splash")
    # Painted without the event loop: white around, the yellow mark of the logo inside.
    check(splash_pixels[50][4] == (255, 255, 255), "splash panel is not white: %r" % (splash_pixels[50][4],))
    yellow = sum(1 for row in splash_pixels for (r, g, b) in row if r > 200 and g > 150 and b < 80)
    check(yellow > 500, "the logo is not on the splash (%d yellow pixels)" % yellow)
    splash_time = seen[-1][0] - seen[0][0]
    check(splash_time >= 1.4, "splash stood only %.2f s" % splash_time)

    wid, _ = main_window(desk)
    check(desk.icon_name(wid) == TITLE, "task bar reads %r" % desk.icon_name(wid))
    check(desk.prop(wid, "WM_ICON_NAME") == TITLE, "WM_ICON_NAME reads %r" % desk.prop(wid, "WM_ICON_NAME"))
    check((desk.prop(wid, "_NET_WM_ICON") or "").startswith("Icon"), "no window icon")
    desk.key(wid, "alt+F4")
    check(desk.exited() == 0, "program did not end with 0 after Alt+F4")
    check(desk.output() == "", "program printed: %r" % desk.output())
    print("splash %.2f s after launch, main window %.2f s, splash stood %.2f s"
          % (seen[0][0], seen[-1][0], splash_time))


def scenario_arm(desk):
    """"&Alarm in" -> "&5 Minuten" arms: button caption and task-bar title."""
    desk.start_program()
    wid, top = main_window(desk)
    disarmed = desk.screenshot(button_rect(desk, wid, top))
    arm_from_menu(desk, wid)
    armed = desk.screenshot(button_rect(desk, wid, top))
    check(armed != disarmed, "the button caption did not change")
    a, b = ink_extent(disarmed), ink_extent(armed)
    check(a and b and (b[1] - b[0]) > (a[1] - a[0]) + 15,
          "caption not longer when armed (%r -> %r)" % (a, b))
    check(desk.title(wid) == TITLE, "window caption changed to %r" % desk.title(wid))
    check(desk.prop(wid, "WM_ICON_NAME") == ARMED, "WM_ICON_NAME reads %r" % desk.prop(wid, "WM_ICON_NAME"))
    # The toggle disarms; then "&Ende" ends the program without a question.
    desk.click(wid, 96 + 80, top + 152 + 12)
    wait_for("the disarmed title", lambda: desk.icon_name(wid) == TITLE, timeout=15)
    desk.x("xdotool", "mousemove", "0", "0")
    # The button repaints after the hover poll has seen the pointer go.
    after = caption_settles(desk, wid, top, a)
    check(after == a, "caption not reset (%r, was %r)" % (after, a))
    desk.key(wid, "alt+e")
    check(desk.exited() == 0, "program did not end with 0 after \"&Ende\"")
    check(desk.output() == "", "program printed: %r" % desk.output())


def scenario_alarm(desk):
    """The armed alarm falls due with the window minimised: the window comes
    back, the message from Timer.ini shows, OK disarms."""
    message = "Frühstück ist fertig – Kaffee!"
    desk.start_program()
    wid, top = main_window(desk)
    disarmed = desk.screenshot(button_rect(desk, wid, top))
    # Arm with the fields the settings file filled in (08:00:00).
    desk.click(wid, 96 + 80, top + 152 + 12)
    wait_for("the armed title", lambda: desk.icon_name(wid) == ARMED, timeout=15)
    desk.x("xdotool", "windowminimize", "--sync", str(wid), check_rc=True)
    check(wid not in desk.windows(), "main window did not minimise")
    # Another program holds the foreground when the alarm falls due.
    desk._spawn(["xmessage", "-geometry", "600x400+0+0", "Andere Anwendung"],
                        env=desk.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    other_wid = wait_for("the other program", lambda: [int(w) for w in desk.x(
        "xdotool", "search", "--onlyvisible", "--class", "Xmessage").split()], timeout=30)[0]
    desk.activate(other_wid)
    check(desk.active_window() == other_wid, "the other program is not in the foreground")

    check(desk.window_titled("Information") is None, "the alarm came before the other program was forward")
    box = wait_for("the alarm message", lambda: desk.window_titled("Information"), timeout=60)
    check(wid in desk.windows(), "main window not restored at the alarm")
    active = desk.active_window()
    check(active in (wid, box), "neither the main window nor the message is active")
    stacking = [int(w.strip(","), 16) for w in
                desk.x("xprop", "-root", "_NET_CLIENT_LIST_STACKING").split("#", 1)[-1].split()]
    check(wid in stacking and other_wid in stacking
          and stacking.index(wid) > stacking.index(other_wid),
          "main window not above the other program: %r" % stacking)
    state = desk.prop(wid, "_NET_WM_STATE") or ""
    check("_NET_WM_STATE_HIDDEN" not in state, "main window still iconic: %s" % state)
    print("at the alarm: main window restored (state %r), active window: %s"
          % (state, "main window" if active == wid else "the message box"))
    check(desk.icon_name(wid) == ARMED, "disarmed before the message was confirmed")
    text = desk.clipboard_text_of(box)
    check(message in text, "message box reads %r" % text)
    desk.key(box, "Return")
    wait_for("the box to close", lambda: desk.window_titled("Information") is None, timeout=15)
    wait_for("the disarmed title", lambda: desk.icon_name(wid) == TITLE, timeout=15)
    check(desk.prop(wid, "WM_ICON_NAME") == TITLE, "WM_ICON_NAME reads %r" % desk.prop(wid, "WM_ICON_NAME"))
    desk.x("xdotool", "mousemove", "0", "0")
    after = caption_settles(desk, wid, top, ink_extent(disarmed))
    check(after == ink_extent(disarmed), "button caption not reset (%r)" % (after,))
    check(desk.output() == "", "program printed: %r" % desk.output())


def scenario_close_question(desk):
    """With the alarm armed, "&Ende" and Alt+F4 ask; "Nein" keeps it running,
    "Ja" ends it."""
    desk.start_program()
    wid, _ = main_window(desk)
    arm_from_menu(desk, wid)
    for how in (("alt+e",), ("alt+F4",)):
        desk.key(wid, *how)
        box = wait_for("the close question", lambda: desk.window_titled("Beenden..."), timeout=15)
        text = desk.clipboard_text_of(box)
        check("Der Timer ist aktiv. Alarm wird nur ausgelöst, wenn das Programm läuft." in text
              and "Programm trotzdem verlassen?" in text, "question reads %r" % text)
        check("Ja" in text and "Nein" in text, "buttons read %r" % text)
        # Ja has the focus as the default button; Nein follows it.
        desk.key(box, "Tab", "space")
        wait_for("the question to close", lambda: desk.window_titled("Beenden...") is None, timeout=15)
        check(desk.exited(1) is None, "program ended after Nein (%s)" % how[0])
        check(wid in desk.windows(), "main window gone after Nein (%s)" % how[0])
        check(desk.icon_name(wid) == ARMED, "alarm disarmed after Nein")
    desk.key(wid, "alt+e")
    box = wait_for("the close question", lambda: desk.window_titled("Beenden..."), timeout=15)
    desk.key(box, "Return")  # Ja is the default button
    check(desk.exited() == 0, "program did not end with 0 after Ja")
    check(desk.output() == "", "program printed: %r" % desk.output())


# --- the secondary windows -----------------------------------------------------

OPTIONS_CLIENT = (289, 223)
HELP_CLIENT = (358, 332)
INFO_CLIENT = (368, 187)


def frame_extents(desk, wid):
    """The window manager's frame around a window: (left, right, top, bottom)."""
    value = wait_for("the frame extents", lambda: desk.prop(wid, "_NET_FRAME_EXTENTS"), timeout=5)
    return tuple(int(v) for v in value.split(","))


def frame_top_left(desk, wid):
    gx, gy, _, _ = desk.geometry(wid)
    left, _, top, _ = frame_extents(desk, wid)
    return (gx - left, gy - top)


def secondary_window(desk, main_wid, client):
    """Waits for the window titled like the main window that is not the main window."""
    def other():
        for wid in desk.windows():
            if wid != main_wid and desk.title(wid) == TITLE:
                g = desk.geometry(wid)
                if g and g[2:] == client:
                    return wid
        return None
    return wait_for("a %dx%d window titled %r" % (client + (TITLE,)), other, timeout=10)


def gone(desk, wid, after):
    wait_for("the window to close after " + after, lambda: wid not in desk.windows(), timeout=5)


def stays_open(desk, wid, keys):
    for k in keys:
        desk.key(wid, k)
        time.sleep(0.2)
        check(wid in desk.windows(), "%s closed the window" % k)


def has_ink(pixels):
    return any(sum(p) < 200 for row in pixels for p in row)


def scenario_info(desk):
    """"&Hilfe" -> "&Info" from the keyboard: the info window on the main
    window's corner, on top; Enter and Escape do not close it, Space on OK does."""
    desk.start_program()
    wid, _ = main_window(desk)
    desk.key(wid, "alt+h", "i")
    info = secondary_window(desk, wid, INFO_CLIENT)
    check(frame_top_left(desk, info) == frame_top_left(desk, wid),
          "info window at %r, main window at %r" % (frame_top_left(desk, info), frame_top_left(desk, wid)))
    check("_NET_WM_STATE_ABOVE" in (desk.prop(info, "_NET_WM_STATE") or ""), "info window not on top")
    stays_open(desk, info, ("Return", "Escape"))
    desk.key(info, "space")
    gone(desk, info, "Space")
    check(wid in desk.windows(), "main window gone with the info window")
    check(desk.output() == "", "program printed: %r" % desk.output())


def scenario_help(desk):
    """"&Hilfe" -> "&Wie funktioniert' s": the help window on the main window's
    corner; Enter and Escape do not close it; Tab to OK and Space do."""
    desk.start_program()
    wid, _ = main_window(desk)
    for _ in range(2):
        desk.key(wid, "alt+h", "w")
        help_wid = secondary_window(desk, wid, HELP_CLIENT)
        check(frame_top_left(desk, help_wid) == frame_top_left(desk, wid),
              "help window at %r, main window at %r"
              % (frame_top_left(desk, help_wid), frame_top_left(desk, wid)))
        stays_open(desk, help_wid, ("Return", "Escape"))
        desk.key(help_wid, "Tab", "space")
        gone(desk, help_wid, "Tab, Space")
    check(desk.output() == "", "program printed: %r" % desk.output())


def scenario_options(desk):
    """"&Optionen": centred over the main window; "über &Soundkarte" and OK
    write Timer.ini, and the dialog opened again shows the sound-card mode."""
    desk.start_program()
    wid, _ = main_window(desk)
    desk.key(wid, "alt+o")
    dialog = secondary_window(desk, wid, OPTIONS_CLIENT)
    mx, my = frame_top_left(desk, wid)
    _, _, mw, mh = desk.geometry(wid)
    ml, mr, mt, mb = frame_extents(desk, wid)
    dl, dr, dt, db = frame_extents(desk, dialog)
    mw, mh = mw + ml + mr, mh + mt + mb
    dw, dh = OPTIONS_CLIENT[0] + dl + dr, OPTIONS_CLIENT[1] + dt + db
    expected = (mx + int((mw - dw) / 2), my + int((mh - dh) / 2))
    check(frame_top_left(desk, dialog) == expected,
          "options at %r, not centred at %r" % (frame_top_left(desk, dialog), expected))
    gx, gy, _, _ = desk.geometry(dialog)
    test_button = (gx + 7 + 201 + 4, gy + 7 + 129 + 4, 48, 14)
    check(not has_ink(desk.screenshot(test_button)), "\"&Test\" enabled without the sound card")
    desk.click(dialog, 7 + 13 + 5, 7 + 76 + 8)  # "über &Soundkarte"
    wait_for("the file controls", lambda: has_ink(desk.screenshot(test_button)), timeout=5)
    desk.key(dialog, "alt+o")  # "&OK"
    gone(desk, dialog, "Alt+O")
    with open(os.path.join(desk.folder, "Timer.ini"), encoding="utf-8") as f:
        saved = f.read().replace("\r\n", "\n")
    for line in ("File=hahn.wav", "Ohne=0", "Speaker=0", "Soundkarte=1", "Song=Entertainer"):
        check(line in saved.split("\n"), "Timer.ini lacks %r: %r" % (line, saved))
    # Opened again, the dialog shows the settings record: the sound-card mode.
    desk.key(wid, "alt+o")
    dialog = secondary_window(desk, wid, OPTIONS_CLIENT)
    gx, gy, _, _ = desk.geometry(dialog)
    test_button = (gx + 7 + 201 + 4, gy + 7 + 129 + 4, 48, 14)
    wait_for("the file controls enabled", lambda: has_ink(desk.screenshot(test_button)), timeout=5)
    desk.click(dialog, 204 + 38, 188 + 12)  # "&Abbrechen"
    gone(desk, dialog, "Abbrechen")
    check(desk.output() == "", "program printed: %r" % desk.output())


SCENARIOS = {
    "startup": (scenario_startup, {}),
    "arm": (scenario_arm, {}),
    "alarm": (scenario_alarm, {
        "settings": settings(8, 0, 0, "Frühstück ist fertig – Kaffee!"),
        # 20 s to start, arm, minimise and bring another program forward,
        # also on a loaded machine (with 8 s the alarm came before the arming).
        "fake_time": "2026-12-10 07:59:40"}),
    "close-question": (scenario_close_question, {}),
    "info": (scenario_info, {}),
    "help": (scenario_help, {}),
    "options": (scenario_options, {
        "settings": "[Sound]\r\nFile=hahn.wav\r\nOhne=1\r\nSong=Entertainer\r\n"}),
}


def main():
    if len(sys.argv) != 3 or sys.argv[2] not in SCENARIOS:
        print("usage: brenvik_e2e.py PROGRAM {%s}" % "|".join(SCENARIOS), file=sys.stderr)
        return 2
    missing = absent_tools("xclip", "import", "xmessage", faketime=True)
    if missing:
        return missing_tools(missing)
    run, options = SCENARIOS[sys.argv[2]]
    return run_scenario(sys.argv[1], sys.argv[2], run, options)


if __name__ == "__main__":
    sys.exit(main())
