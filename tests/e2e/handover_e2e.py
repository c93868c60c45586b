#!/usr/bin/env python3
"""End-to-end tests of the hand-over to a running clock that does not answer:
what a later start reports is what happens.

    handover_e2e.py PROGRAM SCENARIO

stopped-clock: the clock is stopped (SIGSTOP) while a later start hands over
    --aus; the start reports that the clock does not answer, and the clock,
    running again, leaves its alarm armed.
full-queue: idle connections fill the clock's queue; the next start neither
    replaces the clock's socket nor becomes a second clock, and what it
    reported as failed does not happen later.
"""

import os
import signal
import socket
import sys
import time

from brenvik_e2e import (ARMED, Desktop, absent_tools, check, main_window, missing_tools, outcome,
                         scaled, wait_for)
from commandline_e2e import main_windows as clocks, run

NO_ANSWER = "brenvik-timer: Der laufende Wecker antwortet nicht.\n"
# What a start waits for the clock's answer (SingleInstance::forwardOrListen).
HAND_OVER_SECONDS = 15


def start(desk, *arguments):
    """Another start of the program: (status, stdout, stderr, seconds)."""
    return run(desk, desk.program_path, *arguments)


def armed_clock(desk):
    """Starts the clock and arms it two hours ahead; returns its window."""
    desk.start_program()
    wid, _ = main_window(desk)
    due = time.localtime(time.time() + 2 * 3600)
    status, out, err, _ = start(desk, "--um", "%d:%02d" % (due.tm_hour, due.tm_min))
    check((status, out, err) == (0, "", ""), "--um: %r" % ((status, out, err),))
    wait_for("the armed title", lambda: desk.icon_name(wid) == ARMED, timeout=15)
    return wid


def gave_up(desk, seconds_at_least):
    """Hands --aus over to a clock that takes no request; checks the report."""
    status, out, err, seconds = start(desk, "--aus")
    check((status, out, err) == (1, "", NO_ANSWER), "--aus: %r" % ((status, out, err),))
    check(seconds_at_least <= seconds < HAND_OVER_SECONDS + scaled(5),
          "the start gave up after %.1f s" % seconds)


def still_armed(desk, wid):
    """A start that is answered comes after the one that gave up: once it
    is, the clock has dealt with that one, and must have left the alarm."""
    status, out, err, _ = start(desk)
    check((status, out, err) == (0, "", ""), "start after the clock is back: %r" % ((status, out, err),))
    check(desk.icon_name(wid) == ARMED, "the alarm was switched off by a start that reported failure")
    check(clocks(desk) == [wid], "more than one clock: %r" % clocks(desk))


def scenario_stopped_clock(desk):
    wid = armed_clock(desk)
    os.kill(desk.program.pid, signal.SIGSTOP)
    try:
        gave_up(desk, HAND_OVER_SECONDS - 1)
    finally:
        os.kill(desk.program.pid, signal.SIGCONT)
    still_armed(desk, wid)
    check(desk.output() == "", "program printed: %r" % desk.output())


def scenario_full_queue(desk):
    wid = armed_clock(desk)
    path = os.path.join(desk.runtime, "brenvik-timer-%d-%s" % (os.geteuid(), desk.env["DISPLAY"]))
    socket_before = os.lstat(path).st_ino
    idle = []
    try:
        while len(idle) < 1000:
            connection = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
            connection.setblocking(False)
            try:
                connection.connect(path)
            except BlockingIOError:
                connection.close()
                break
            idle.append(connection)
        check(len(idle) < 1000, "the clock's queue never filled")
        gave_up(desk, HAND_OVER_SECONDS - 1)
        check(os.lstat(path).st_ino == socket_before, "the clock's socket was replaced")
        check(clocks(desk) == [wid], "more than one clock: %r" % clocks(desk))
    finally:
        for connection in idle:
            connection.close()
    still_armed(desk, wid)
    check(desk.output() == "", "program printed: %r" % desk.output())


SCENARIOS = {
    "stopped-clock": scenario_stopped_clock,
    "full-queue": scenario_full_queue,
}


def main():
    if len(sys.argv) != 3 or sys.argv[2] not in SCENARIOS:
        print("usage: handover_e2e.py PROGRAM {%s}" % "|".join(SCENARIOS), file=sys.stderr)
        return 2
    program, name = sys.argv[1], sys.argv[2]
    if not os.access(program, os.X_OK):
        print("FAIL: no program at %s" % program)
        return 1
    missing = absent_tools()
    if missing:
        return missing_tools(missing)
    desk = Desktop(program)
    return outcome(name, lambda: desk.run(SCENARIOS[name]), desk.close)


if __name__ == "__main__":
    sys.exit(main())
