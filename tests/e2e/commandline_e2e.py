#!/usr/bin/env python3
"""End-to-end tests of start-up from the command line: one clock per display,
the options, and a start without a display.

    commandline_e2e.py PROGRAM SCENARIO [STARTUPINFOPROBE]

The probe (tests/e2e/startupinfoprobe.cpp) is needed by "launcher" only.
"""

import datetime
import os
import select
import shutil
import stat
import subprocess
import sys
import tempfile
import time

from brenvik_e2e import (ARMED, TITLE, Desktop, Failure, absent_tools, check, main_window,
                         missing_tools,
                         outcome, scaled, wait_for)


def start_with(desk, *arguments):
    """Desktop.start_program with arguments."""
    desk.out = open(os.path.join(desk.tmp, "stdout"), "w+b")
    desk.err = open(os.path.join(desk.tmp, "stderr"), "w+b")
    desk.started = time.monotonic()
    desk.program = desk._spawn([desk.program_path, *arguments], env=desk.env, cwd=desk.tmp,
                               stdout=desk.out, stderr=desk.err)


def run(desk_or_env, program, *arguments, timeout=60):
    """Another start of the program: (status, stdout, stderr, seconds)."""
    env = desk_or_env.env if isinstance(desk_or_env, Desktop) else desk_or_env
    began = time.monotonic()
    result = subprocess.run([program, *arguments], env=env, capture_output=True, timeout=timeout)
    return (result.returncode, result.stdout.decode(errors="replace"),
            result.stderr.decode(errors="replace"), time.monotonic() - began)


def main_windows(desk):
    """Main windows of any process on the display."""
    out = desk.x("xdotool", "search", "--onlyvisible", "--name", "^%s$" % TITLE)
    return [int(w) for w in out.split()]


def scenario_second_start(desk):
    """A start during the splash and later starts hand over to the first clock,
    which comes to the front and carries out their options; one window only."""
    start_with(desk, "--meldung", "Erste Meldung")
    time.sleep(0.3)
    status, out, err, _ = run(desk, desk.program_path, "--um", "6:15")
    check((status, out, err) == (0, "", ""), "start during the splash: %r" % ((status, out, err),))
    wid, _ = main_window(desk)
    wait_for("the armed title", lambda: desk.icon_name(wid) == ARMED, timeout=15)

    # Minimised behind another program: a later start brings it back in front.
    desk.x("xdotool", "windowminimize", "--sync", str(wid), check_rc=True)
    desk._spawn(["xmessage", "-geometry", "600x400+0+0", "Andere Anwendung"], env=desk.env,
                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    other = wait_for("the other program", lambda: [int(w) for w in desk.x(
        "xdotool", "search", "--onlyvisible", "--class", "Xmessage").split()], timeout=30)[0]
    desk.activate(other)
    status, out, err, seconds = run(desk, desk.program_path, "--aus")
    check((status, out, err) == (0, "", ""), "--aus: %r" % ((status, out, err),))
    check(seconds < scaled(5), "the second start took %.1f s" % seconds)
    wait_for("the window back in front", lambda: desk.active_window() == wid, timeout=15)
    state = desk.prop(wid, "_NET_WM_STATE") or ""
    check("_NET_WM_STATE_HIDDEN" not in state, "still minimised: %s" % state)
    wait_for("the disarmed title", lambda: desk.icon_name(wid) == TITLE, timeout=15)

    status, out, err, _ = run(desk, desk.program_path, "--in", "30")
    check((status, out, err) == (0, "", ""), "--in 30: %r" % ((status, out, err),))
    wait_for("the armed title", lambda: desk.icon_name(wid) == ARMED, timeout=15)

    # Refused values come back on the second start's own stderr; nothing changes.
    for arguments, expected_status, expected in (
            (("--in", "zehn"), 1, "brenvik-timer: Geben Sie Minuten ein, also nur Ziffern.\n"),
            (("--um", "25:00"), 1, "brenvik-timer: ''25:0:0'' ist keine gültige Zeit.\n"),
            (("--weck",), 2, "brenvik-timer: Unbekannte Option „--weck“. "
                             "„brenvik-timer --help“ zeigt die Optionen.\n")):
        status, out, err, _ = run(desk, desk.program_path, *arguments)
        check((status, out, err) == (expected_status, "", expected),
              "%s: %r" % (" ".join(arguments), (status, out, err)))
    check(desk.icon_name(wid) == ARMED, "a refused command line changed the alarm")

    # The alarm of --um a few seconds ahead brings the message of --meldung.
    due = datetime.datetime.now() + datetime.timedelta(seconds=scaled(4))
    status, out, err, _ = run(desk, desk.program_path, "--meldung", "Aufstehen – jetzt!",
                              "--um", due.strftime("%H:%M:%S"))
    check((status, out, err) == (0, "", ""), "--meldung --um: %r" % ((status, out, err),))
    box = wait_for("the alarm message", lambda: desk.window_titled("Information"), timeout=30)
    text = desk.clipboard_text_of(box)
    check("Aufstehen – jetzt!" in text, "message box reads %r" % text)
    desk.key(box, "Return")
    wait_for("the disarmed title", lambda: desk.icon_name(wid) == TITLE, timeout=15)

    # Other spellings of the same display reach the same clock.
    number = desk.env["DISPLAY"].lstrip(":")
    for display in ("unix:%s" % number, ":%s.0" % number, "unix:%s.0" % number):
        status, out, err, _ = run(dict(desk.env, DISPLAY=display), desk.program_path)
        check((status, out, err) == (0, "", ""), "DISPLAY=%s: %r" % (display, (status, out, err)))

    check(main_windows(desk) == [wid], "more than one clock: %r" % main_windows(desk))
    desk.key(wid, "alt+F4")
    check(desk.exited() == 0, "program did not end with 0")
    check(desk.output() == "", "program printed: %r" % desk.output())

    # The socket the first clock left is no obstacle to the next.
    start_with(desk)
    main_window(desk)
    desk.program.kill()
    desk.program.wait()
    start_with(desk, "--in", "5")
    wid = main_window(desk)[0]
    wait_for("the armed title", lambda: desk.icon_name(wid) == ARMED, timeout=15)


def read_line(stream, timeout):
    """The next line of a child's output, or None after timeout seconds."""
    if not select.select([stream], [], [], timeout)[0]:
        return None
    return stream.readline().decode(errors="replace").rstrip("\n")


def scenario_launcher(desk, probe):
    """A start from a launcher while the clock runs ends the launcher's
    startup notification: the clock sends "remove:" for the id the start was
    given, notes it on its window and comes to the front."""
    start_with(desk)
    wid, _ = main_window(desk)
    listener = desk._spawn([probe], env=desk.env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    check(read_line(listener.stdout, 15) == "ready", "the probe did not start")
    for startup_id, message in (
            ("brenvik-e2e-%d-0_TIME%d" % (os.getpid(), int(time.time())), None),
            # A value with blanks and quotes goes in quotes, with backslashes.
            ('Menue "Wecker" 2_TIME0', 'remove: ID="Menue \\"Wecker\\" 2_TIME0"')):
        desk.x("xdotool", "windowminimize", "--sync", str(wid), check_rc=True)
        env = dict(desk.env, DESKTOP_STARTUP_ID=startup_id)
        status, out, err, _ = run(env, desk.program_path, "--aus")
        check((status, out, err) == (0, "", ""), "start with %r: %r" % (startup_id, (status, out, err)))
        expected = message or "remove: ID=" + startup_id
        seen = []
        deadline = time.monotonic() + 10
        while expected not in seen and time.monotonic() < deadline:
            line = read_line(listener.stdout, max(0.0, deadline - time.monotonic()))
            if line is not None:
                seen.append(line)
        check(expected in seen, "no %r on the root window, only %r" % (expected, seen))
        check(desk.prop(wid, "_NET_STARTUP_ID") == startup_id,
              "_NET_STARTUP_ID reads %r" % desk.prop(wid, "_NET_STARTUP_ID"))
        wait_for("the window back in front", lambda: desk.active_window() == wid, timeout=15)
    check(main_windows(desk) == [wid], "more than one clock: %r" % main_windows(desk))
    check(desk.output() == "", "program printed: %r" % desk.output())


def scenario_no_runtime_dir(desk):
    """Without XDG_RUNTIME_DIR the clocks meet in a folder of the user's own,
    made 0700: a second start hands over, one clock per display."""
    del desk.env["XDG_RUNTIME_DIR"]
    uid = os.geteuid()
    folder = "/run/user/%d" % uid
    try:
        info = os.lstat(folder)
        private = stat.S_ISDIR(info.st_mode) and info.st_uid == uid and not info.st_mode & 0o077
    except OSError:
        private = False
    if not private:
        folder = "/tmp/brenvik-timer-%d" % uid
    start_with(desk)
    wid, _ = main_window(desk)
    socket = os.path.join(folder, "brenvik-timer-%d-%s" % (uid, desk.env["DISPLAY"]))
    wait_for("the socket " + socket, lambda: os.path.exists(socket), timeout=15)
    info = os.lstat(folder)
    check(stat.S_ISDIR(info.st_mode) and info.st_uid == uid and stat.S_IMODE(info.st_mode) == 0o700,
          "%s is not the user's alone: %o" % (folder, info.st_mode))
    status, out, err, _ = run(desk, desk.program_path, "--in", "5")
    check((status, out, err) == (0, "", ""), "--in 5: %r" % ((status, out, err),))
    wait_for("the armed title", lambda: desk.icon_name(wid) == ARMED, timeout=15)
    check(main_windows(desk) == [wid], "more than one clock: %r" % main_windows(desk))
    desk.program.kill()
    desk.program.wait()
    check(desk.output() == "", "program printed: %r" % desk.output())


def scenario_options(program):
    """Help, version and refused command lines need no display."""
    env = dict(os.environ, LC_ALL="C.UTF-8")
    env.pop("DISPLAY", None)
    status, out, err, _ = run(env, program, "--help")
    check(status == 0 and err == "" and out.startswith("Aufruf: brenvik-timer")
          and "--um HH:MM[:SS]" in out, "--help: %r" % ((status, out, err),))
    status, out, err, _ = run(env, program, "-display", ":1", "--version")
    check((status, out, err) == (0, "brenvik-timer 1.0\n", ""), "--version: %r" % ((status, out, err),))
    status, out, err, _ = run(env, program, "--in")
    check(status == 2 and out == "" and err == "brenvik-timer: Nach „--in“ fehlt der Wert. "
          "„brenvik-timer --help“ zeigt die Optionen.\n", "--in: %r" % ((status, out, err),))
    status, out, err, _ = run(env, program, "--meldung", "x" * 256)
    check(status == 1 and "höchstens 255 Zeichen" in err, "long message: %r" % ((status, out, err),))
    for minutes in ("0", "-5"):
        status, out, err, _ = run(env, program, "--in", minutes)
        check((status, out, err) == (1, "", "brenvik-timer: Geben Sie mindestens 1 Minute ein.\n"),
              "--in %s: %r" % (minutes, (status, out, err)))


def scenario_no_display(program):
    """Without a display: a German reason and status 1, not an abort."""
    env = dict(os.environ, LC_ALL="C.UTF-8")
    for key in ("DISPLAY", "QT_QPA_PLATFORM", "WAYLAND_DISPLAY"):
        env.pop(key, None)
    status, out, err, _ = run(env, program)
    check((status, out, err) == (1, "", "brenvik-timer: Keine Verbindung zur Anzeige "
                                        "(DISPLAY=nicht gesetzt).\n"), "unset: %r" % ((status, out, err),))
    env["DISPLAY"] = ":2997"
    if os.path.exists("/tmp/.X11-unix/X2997"):
        raise Failure("display :2997 exists here")
    status, out, err, _ = run(env, program, "--in", "5")
    check((status, out, err) == (1, "", "brenvik-timer: Keine Verbindung zur Anzeige (DISPLAY=:2997).\n"),
          ":2997: %r" % ((status, out, err),))
    status, out, err, _ = run(env, program, "-display", ":2996")
    check(status == 1 and "(DISPLAY=:2996)" in err, "-display: %r" % ((status, out, err),))
    # A Wayland display that leads nowhere, and no X display.
    del env["DISPLAY"]
    env["WAYLAND_DISPLAY"] = "wayland-2995"
    env["XDG_RUNTIME_DIR"] = tempfile.mkdtemp(prefix="brenvik-e2e-")
    try:
        status, out, err, _ = run(env, program)
        check((status, out, err) == (1, "", "brenvik-timer: Keine Verbindung zur Anzeige "
                                            "(WAYLAND_DISPLAY=wayland-2995).\n"),
              "WAYLAND_DISPLAY: %r" % ((status, out, err),))
        status, out, err, _ = run(env, program, "-platform", "wayland")
        check(status == 1 and "(WAYLAND_DISPLAY=wayland-2995)" in err,
              "-platform wayland: %r" % ((status, out, err),))
    finally:
        shutil.rmtree(env["XDG_RUNTIME_DIR"], ignore_errors=True)


SCENARIOS = {
    "second-start": scenario_second_start,
    "launcher": scenario_launcher,
    "no-runtime-dir": scenario_no_runtime_dir,
    "options": scenario_options,
    "no-display": scenario_no_display,
}
ON_A_DESKTOP = ("second-start", "launcher", "no-runtime-dir")


def main():
    if len(sys.argv) not in (3, 4) or sys.argv[2] not in SCENARIOS:
        print("usage: commandline_e2e.py PROGRAM {%s} [STARTUPINFOPROBE]" % "|".join(SCENARIOS),
              file=sys.stderr)
        return 2
    program, name = sys.argv[1], sys.argv[2]
    if not os.access(program, os.X_OK):
        print("FAIL: no program at %s" % program)
        return 1
    if name not in ON_A_DESKTOP:
        return outcome(name, lambda: SCENARIOS[name](program))
    missing = absent_tools("xclip", "xmessage")
    if missing:
        return missing_tools(missing)
    desk = Desktop(program)
    scenario = SCENARIOS[name]
    if name == "launcher":
        if len(sys.argv) != 4 or not os.access(sys.argv[3], os.X_OK):
            print("FAIL: the launcher scenario needs the startup-info probe")
            return 1
        scenario = lambda d: scenario_launcher(d, sys.argv[3])  # noqa: E731
    return outcome(name, lambda: desk.run(scenario), desk.close)


if __name__ == "__main__":
    sys.exit(main())
