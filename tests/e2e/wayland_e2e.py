#!/usr/bin/env python3
"""End-to-end tests on a Wayland desktop (weston, headless).

    wayland_e2e.py PROGRAM PROBE SCENARIO

  xwayland       Wayland with an X display through XWayland: the program runs
                 on X11, where it can draw its splash and raise its window.
  notification   Wayland alone: the alarm goes out as a desktop notification
                 (to a recording service on a private session bus) and is
                 withdrawn when confirmed.
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

from brenvik_e2e import (TITLE, Failure, _die_with_parent, check, missing_tools, outcome,  # noqa: E402
                         start_session_bus, stop_processes, wait_for)

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

    def __init__(self, xwayland):
        self.procs = []
        self.tmp = tempfile.mkdtemp(prefix="brenvik-wl-")
        self.runtime = os.path.join(self.tmp, "runtime")
        os.mkdir(self.runtime, 0o700)
        self.socket = "brenvik-wl-%d" % random.randrange(100000, 999999)
        self.xwayland = xwayland
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
}


def main():
    if len(sys.argv) != 4 or sys.argv[3] not in SCENARIOS:
        print("usage: wayland_e2e.py PROGRAM PROBE {%s}" % "|".join(SCENARIOS), file=sys.stderr)
        return 2
    program, probe_path, name = sys.argv[1:]
    run, xwayland, tools = SCENARIOS[name]
    missing = [t for t in ["weston"] + tools if not shutil.which(t)]
    if name == "notification" and not service_python():
        missing.append("python3-dbus python3-gi")
    if not os.path.exists("/usr/lib/x86_64-linux-gnu/qt6/plugins/platforms/libqwayland-generic.so"):
        missing.append("qt6-wayland")
    if missing:
        return missing_tools(missing)
    desk = Weston(xwayland)
    return outcome(name, lambda: run(desk, program, probe_path), desk.close)


if __name__ == "__main__":
    sys.exit(main())
