#!/usr/bin/env python3
"""End-to-end tests on a Wayland desktop (weston, headless).

    wayland_e2e.py PROGRAM PROBE SCENARIO

  xwayland       Wayland with an X display through XWayland: the program runs
                 on X11, where it can draw its splash and raise its window.
  notification   Wayland alone: the alarm goes out as a desktop notification
                 (to a recording service on a private session bus) and is
                 withdrawn when confirmed.
  xwayland-alarm The program on XWayland, whose compositor does not make its
                 window the active one: the alarm also goes out as a
                 notification, withdrawn when the message is confirmed.
  splash         Wayland alone: the splash is on the screen before the main
                 window (read with weston's screenshot interface).
"""

import json
import os
import random
import select
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from brenvik_e2e import (FAKETIME_LIBRARY, TITLE, Failure, _die_with_parent, check,  # noqa: E402
                         missing_tools, outcome, start_session_bus, stop_processes, wait_for)

HERE = os.path.dirname(os.path.abspath(__file__))


def service_python():
    """An interpreter with the Debian packages python3-dbus and python3-gi: the
    system's, also when another python runs this driver."""
    for candidate in (sys.executable, "/usr/bin/python3"):
        if candidate and subprocess.run(
                [candidate, "-c", "import dbus, dbus.mainloop.glib; from gi.repository import GLib"],
                capture_output=True).returncode == 0:
            return candidate
    return None


class Weston:
    """A headless weston on a private socket, optionally with XWayland, and a
    private session bus."""

    def __init__(self, xwayland, pictures=False):
        self.procs = []
        self.tmp = tempfile.mkdtemp(prefix="brenvik-wl-")
        self.runtime = os.path.join(self.tmp, "runtime")
        os.mkdir(self.runtime, 0o700)
        self.socket = "brenvik-wl-%d" % random.randrange(100000, 999999)
        self.xwayland = xwayland
        # Rendered, and with the screenshot interface for the tests.
        self.pictures = pictures
        self.display = None
        self.env = {k: v for k, v in os.environ.items()
                    if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "SESSION_MANAGER",
                                 "DBUS_SESSION_BUS_ADDRESS", "XAUTHORITY")}
        self.env.update(XDG_RUNTIME_DIR=self.runtime, LC_ALL="C.UTF-8", XDG_SESSION_TYPE="wayland")

    def spawn(self, args, **kwargs):
        proc = subprocess.Popen(args, preexec_fn=_die_with_parent, **kwargs)
        self.procs.append(proc)
        return proc

    def start(self):
        log = os.path.join(self.tmp, "weston.log")
        args = ["weston", "--backend=headless-backend.so", "--socket=" + self.socket,
                "--idle-time=0", "--log=" + log]
        if self.pictures:
            args += ["--use-pixman", "--width=1024", "--height=768", "--debug"]
        if self.xwayland:
            # XWayland binds its socket there; Xvfb usually makes the folder.
            os.makedirs("/tmp/.X11-unix", mode=0o1777, exist_ok=True)
            args.append("--xwayland")
        weston = self.spawn(args, env=self.env, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
        wait_for("weston's socket", lambda: weston.poll() is not None or os.path.exists(
            os.path.join(self.runtime, self.socket)), timeout=30)
        check(weston.poll() is None, "weston did not start: %s" % self.read(log))
        self.env["WAYLAND_DISPLAY"] = self.socket
        if self.xwayland:
            def display():
                for line in self.read(log).splitlines():
                    if "xserver listening on display" in line:
                        return line.rsplit(" ", 1)[-1].strip()
                return None
            self.display = wait_for("XWayland's display", display, timeout=30)
            self.env["DISPLAY"] = self.display

    def start_bus(self):
        self.env["DBUS_SESSION_BUS_ADDRESS"] = start_session_bus(self.spawn, self.env)

    def screenshot(self):
        """The output's pixels as (width, height, rgb bytes), or None."""
        folder = tempfile.mkdtemp(dir=self.tmp)
        subprocess.run(["weston-screenshooter"], env=self.env, cwd=folder, timeout=20,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        shots = os.listdir(folder)
        if not shots:
            return None
        path = os.path.join(folder, shots[0])
        size = subprocess.run(["identify", "-format", "%w %h", path], capture_output=True,
                              text=True, timeout=20).stdout.split()
        data = subprocess.run(["convert", path, "-depth", "8", "rgb:-"], capture_output=True,
                              timeout=20).stdout
        shutil.rmtree(folder, ignore_errors=True)
        return int(size[0]), int(size[1]), data

    @staticmethod
    def read(path):
        try:
            with open(path, encoding="utf-8", errors="replace") as f:
                return f.read()
        except OSError:
            return ""

    def close(self):
        stop_processes(self.procs)
        shutil.rmtree(self.tmp, ignore_errors=True)


def probe(desk, probe_path, *args, timeout=60):
    # On Wayland the client libraries leave allocations behind in modules they
    # unload again, which LeakSanitizer can neither name nor suppress.
    env = dict(desk.env, ASAN_OPTIONS=":".join(
        filter(None, [desk.env.get("ASAN_OPTIONS"), "detect_leaks=0"])))
    result = subprocess.run([probe_path] + list(args), env=env, capture_output=True,
                            text=True, timeout=timeout)
    check(result.returncode == 0, "probe failed (%d): %s" % (result.returncode, result.stderr))
    return result.stdout


def scenario_xwayland(desk, program, probe_path):
    """WAYLAND_DISPLAY and an XWayland DISPLAY: the program takes the X11 platform."""
    desk.start()
    check("platform xcb" in probe(desk, probe_path, "platform"), "the X11 platform was not chosen")
    # Choosing a platform is the user's: it stays as chosen.
    env = dict(desk.env, QT_QPA_PLATFORM="wayland")
    chosen = subprocess.run([probe_path, "platform"], env=env, capture_output=True, text=True,
                            timeout=60).stdout
    check("platform wayland" in chosen, "QT_QPA_PLATFORM=wayland overridden: %r" % chosen)

    folder = os.path.join(desk.tmp, "program")
    os.mkdir(folder)
    source = os.path.dirname(os.path.abspath(program))
    for name in os.listdir(source):
        path = os.path.join(source, name)
        if os.path.isfile(path) and not name.endswith(".cmake"):
            shutil.copy2(path, folder)
    out = open(os.path.join(desk.tmp, "output"), "w+b")
    proc = desk.spawn([os.path.join(folder, os.path.basename(program))], env=desk.env,
                      cwd=desk.tmp, stdout=out, stderr=out)

    def on_x():
        found = subprocess.run(["xdotool", "search", "--pid", str(proc.pid), "--name", TITLE],
                               env=desk.env, capture_output=True, text=True, timeout=20).stdout
        return found.split()
    wait_for("the main window on the X display", lambda: proc.poll() is not None or on_x(),
             timeout=90)
    check(proc.poll() is None, "the program ended on the Wayland desktop")
    proc.terminate()
    proc.wait(10)
    out.seek(0)
    printed = out.read().decode(errors="replace")
    check(printed == "", "program printed: %r" % printed)


def start_notification_service(desk):
    """The recording notification service; returns the path of its log."""
    log = os.path.join(desk.tmp, "notifications.log")
    service = desk.spawn([service_python(), os.path.join(HERE, "fake_notifications.py"), log],
                         env=desk.env, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    readable, _, _ = select.select([service.stdout], [], [], 30)
    ready = service.stdout.readline().strip() if readable else "(nothing after 30 s)"
    if ready != "ready":
        service.terminate()
        raise Failure("notification service did not start: %r %s"
                      % (ready, service.stderr.read()))
    return log


def notification_calls(log):
    with open(log, encoding="utf-8") as f:
        return [json.loads(line) for line in f if line.strip()]


def copy_program(desk, program, settings_text=None):
    folder = os.path.join(desk.tmp, "program")
    os.mkdir(folder)
    source = os.path.dirname(os.path.abspath(program))
    for name in os.listdir(source):
        path = os.path.join(source, name)
        if os.path.isfile(path) and not name.endswith(".cmake"):
            shutil.copy2(path, folder)
    if settings_text is not None:
        with open(os.path.join(folder, "Timer.ini"), "w", encoding="utf-8") as f:
            f.write(settings_text)
    return os.path.join(folder, os.path.basename(program))


def scenario_xwayland_alarm(desk, program, probe_path):
    """Under XWayland the compositor keeps the clock's windows from becoming
    the active ones (this one has no seat at all): the program cannot confirm
    that its window came forward, so the alarm goes out as a notification too,
    withdrawn once the message is confirmed."""
    desk.start()
    desk.start_bus()
    log = start_notification_service(desk)
    path = copy_program(desk, program,
                        "[Sound]\r\nOhne=1\r\n[Meldung]\r\nAlarmMeldung=Tee ist fertig\r\n")
    env = dict(desk.env, LD_PRELOAD=FAKETIME_LIBRARY, FAKETIME="@2026-12-10 07:59:50",
               FAKETIME_DONT_FAKE_MONOTONIC="1",
               ASAN_OPTIONS=":".join(filter(None, [desk.env.get("ASAN_OPTIONS"),
                                                   "verify_asan_link_order=0"])))
    out = open(os.path.join(desk.tmp, "output"), "w+b")
    proc = desk.spawn([path, "--um", "8:00:00"], env=env, cwd=desk.tmp, stdout=out, stderr=out)

    def x_window(title):
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(proc.pid)],
                               env=desk.env, capture_output=True, text=True, timeout=20).stdout
        return [w for w in found.split() if subprocess.run(
            ["xprop", "-id", w, "_NET_WM_NAME"], env=desk.env, capture_output=True, text=True,
            timeout=20).stdout.strip().endswith('= "%s"' % title)]
    box = wait_for("the alarm message", lambda: proc.poll() is not None or x_window("Information"),
                   timeout=90)
    check(proc.poll() is None, "the program ended")
    calls = wait_for("the notification", lambda: notification_calls(log), timeout=5)
    check([c["call"] for c in calls] == ["Notify"], "calls: %r" % calls)
    check(calls[0]["body"] == "Tee ist fertig", "body: %r" % calls[0]["body"])
    check(calls[0]["summary"] == "Alarm: AKTIV", "summary: %r" % calls[0]["summary"])
    subprocess.run(["xdotool", "key", "--window", box[0], "Return"], env=desk.env, timeout=20,
                   stderr=subprocess.DEVNULL)
    wait_for("the message confirmed", lambda: not x_window("Information"), timeout=30)
    calls = wait_for("the notification withdrawn", lambda: len(notification_calls(log)) == 2
                     and notification_calls(log), timeout=10)
    check(calls[1] == {"call": "CloseNotification", "id": 42}, "calls: %r" % calls)
    proc.terminate()
    proc.wait(10)
    out.seek(0)
    printed = out.read().decode(errors="replace")
    check(printed == "", "program printed: %r" % printed)


def white_box(picture):
    """The bounding box (x, y, w, h) of the pure white pixels and the number of
    the logo's yellow pixels inside it."""
    width, height, data = picture
    xs, ys = [], []
    for y in range(0, height):
        row = data[y * width * 3:(y + 1) * width * 3]
        start = row.find(b"\xff\xff\xff")
        while start != -1 and start % 3:
            start = row.find(b"\xff\xff\xff", start + 1)
        if start == -1:
            continue
        end = row.rfind(b"\xff\xff\xff")
        while end % 3:
            end = row.rfind(b"\xff\xff\xff", 0, end + 2)
        ys.append(y)
        xs += [start // 3, end // 3]
    if not ys:
        return None, 0
    box = (min(xs), min(ys), max(xs) - min(xs) + 1, max(ys) - min(ys) + 1)
    x0, y0, w, h = box
    yellow = 0
    for y in range(y0, y0 + h):
        for x in range(x0, x0 + w):
            r, g, b = data[(y * width + x) * 3:(y * width + x) * 3 + 3]
            yellow += r > 200 and g > 150 and b < 80
    return box, yellow


def scenario_splash(desk, program, probe_path):
    """Wayland alone: the splash comes first, white, the size of its layout,
    with the logo, before the main window (a compositor shows a window only
    once the program has committed a picture for it)."""
    desk.start()
    path = copy_program(desk, program)
    env = dict(desk.env, QT_QPA_PLATFORM="wayland", ASAN_OPTIONS=":".join(
        filter(None, [desk.env.get("ASAN_OPTIONS"), "detect_leaks=0"])))
    out = open(os.path.join(desk.tmp, "output"), "w+b")
    proc = desk.spawn([path], env=env, cwd=desk.tmp, stdout=out, stderr=out)
    seen = []
    # Until the main window's client area (white, taller than the splash) shows.
    for _ in range(40):
        picture = desk.screenshot()
        box, yellow = white_box(picture) if picture else (None, 0)
        if box:
            seen.append((box, yellow))
            if box[3] > 150:
                break
        check(proc.poll() is None, "the program ended")
    first = next(((box, yellow) for box, yellow in seen if yellow), None)
    check(first is not None, "no logo on the screen: %r" % seen)
    (_, _, w, h), yellow = first
    check(abs(w - 274) <= 4 and abs(h - 104) <= 4 and yellow > 500,
          "the first picture with the logo is not the splash: %r" % (seen,))
    check(seen[-1][0][3] > 150, "no main window after the splash: %r" % seen)
    proc.terminate()
    proc.wait(10)
    out.seek(0)
    printed = out.read().decode(errors="replace")
    check(printed == "", "program printed: %r" % printed)


def scenario_notification(desk, program, probe_path):
    """Wayland alone: the alarm's attention is a critical notification with the
    message text, closed again once confirmed."""
    desk.start()
    desk.start_bus()
    log = os.path.join(desk.tmp, "notifications.log")
    service = desk.spawn([service_python(), os.path.join(HERE, "fake_notifications.py"), log],
                         env=desk.env, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    readable, _, _ = select.select([service.stdout], [], [], 30)
    ready = service.stdout.readline().strip() if readable else "(nothing after 30 s)"
    if ready != "ready":
        service.terminate()
        raise Failure("notification service did not start: %r %s"
                      % (ready, service.stderr.read()))

    output = probe(desk, probe_path, "alarm", "Aufstehen – der Kaffee wird kalt!")
    check("platform wayland" in output, "not on Wayland: %r" % output)

    def calls():
        with open(log, encoding="utf-8") as f:
            return [json.loads(line) for line in f if line.strip()]
    seen = wait_for("the notification to be withdrawn",
                    lambda: [c for c in calls() if c["call"] == "CloseNotification"] and calls(),
                    timeout=10)
    check([c["call"] for c in seen] == ["Notify", "CloseNotification"], "calls: %r" % seen)
    notify, close = seen
    check(notify["body"] == "Aufstehen – der Kaffee wird kalt!", "body: %r" % notify["body"])
    check(notify["urgency"] == 2 and notify["urgency_is_byte"], "urgency: %r" % notify)
    check(notify["timeout"] == 0, "expires: %r" % notify["timeout"])
    check(notify["summary"] == TITLE, "summary: %r" % notify["summary"])
    check(close["id"] == 42, "closed %r, not the notification shown" % close["id"])


SCENARIOS = {
    "xwayland": (scenario_xwayland, True, ["Xwayland", "xdotool"]),
    "notification": (scenario_notification, False, ["dbus-daemon"]),
    "xwayland-alarm": (scenario_xwayland_alarm, True, ["Xwayland", "xdotool", "dbus-daemon"]),
    "splash": (scenario_splash, False, ["weston-screenshooter", "convert", "identify"]),
}


def main():
    if len(sys.argv) != 4 or sys.argv[3] not in SCENARIOS:
        print("usage: wayland_e2e.py PROGRAM PROBE {%s}" % "|".join(SCENARIOS), file=sys.stderr)
        return 2
    program, probe_path, name = sys.argv[1:]
    run, xwayland, tools = SCENARIOS[name]
    missing = [t for t in ["weston"] + tools if not shutil.which(t)]
    if name in ("notification", "xwayland-alarm") and not service_python():
        missing.append("python3-dbus python3-gi")
    if not os.path.exists("/usr/lib/x86_64-linux-gnu/qt6/plugins/platforms/libqwayland-generic.so"):
        missing.append("qt6-wayland")
    if missing:
        return missing_tools(missing)
    desk = Weston(xwayland, pictures=name == "splash")
    return outcome(name, lambda: run(desk, program, probe_path), desk.close)


if __name__ == "__main__":
    sys.exit(main())
