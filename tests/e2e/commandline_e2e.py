#!/usr/bin/env python3
"""End-to-end tests of start-up from the command line: one clock per display,
the options, and a start without a display.

    commandline_e2e.py PROGRAM SCENARIO
"""

import datetime
import os
import shutil
import subprocess
import sys
import time

from brenvik_e2e import (ARMED, TITLE, Desktop, Failure, check, main_window, missing_tools,
                         outcome, wait_for)


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
    check(seconds < 5, "the second start took %.1f s" % seconds)
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
    due = datetime.datetime.now() + datetime.timedelta(seconds=4)
    status, out, err, _ = run(desk, desk.program_path, "--meldung", "Aufstehen – jetzt!",
                              "--um", due.strftime("%H:%M:%S"))
    check((status, out, err) == (0, "", ""), "--meldung --um: %r" % ((status, out, err),))
    box = wait_for("the alarm message", lambda: desk.window_titled("Information"), timeout=30)
    text = desk.clipboard_text_of(box)
    check("Aufstehen – jetzt!" in text, "message box reads %r" % text)
    desk.key(box, "Return")
    wait_for("the disarmed title", lambda: desk.icon_name(wid) == TITLE, timeout=15)

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


SCENARIOS = {
    "second-start": scenario_second_start,
    "options": scenario_options,
    "no-display": scenario_no_display,
}


def main():
    if len(sys.argv) != 3 or sys.argv[2] not in SCENARIOS:
        print("usage: commandline_e2e.py PROGRAM {%s}" % "|".join(SCENARIOS), file=sys.stderr)
        return 2
    program, name = sys.argv[1], sys.argv[2]
    if not os.access(program, os.X_OK):
        print("FAIL: no program at %s" % program)
        return 1
    if name != "second-start":
        return outcome(name, lambda: SCENARIOS[name](program))
    missing = [t for t in ("Xvfb", "openbox", "xdotool", "xprop", "xwininfo", "xclip",
                           "xmessage") if not shutil.which(t)]
    if missing:
        return missing_tools(missing)
    desk = Desktop(program)
    return outcome(name, lambda: desk.run(SCENARIOS[name]), desk.close)


if __name__ == "__main__":
    sys.exit(main())
