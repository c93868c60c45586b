#!/usr/bin/env python3
"""End-to-end scenarios of alarms that the clock passes over: the program
stopped over the alarm minute, the clock set forward past it, and the hour
skipped at the spring change. Each must still bring the alarm, at once and
marked with the time it was due.

    late_alarm_e2e.py PROGRAM SCENARIO
"""

import os
import signal
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import brenvik_e2e as e2e  # noqa: E402
from brenvik_e2e import ARMED, TITLE, check, wait_for  # noqa: E402

MESSAGE = "Aufstehen!"


class FakedDesktop(e2e.Desktop):
    """The program alone runs on a faked clock; the X tools keep the real one."""

    def __init__(self, program, settings, program_env):
        super().__init__(program, settings=settings)
        self.program_env = dict(program_env, LD_PRELOAD=e2e.FAKETIME_LIBRARY,
                                FAKETIME_DONT_FAKE_MONOTONIC="1")
        self.program_env["ASAN_OPTIONS"] = ":".join(
            filter(None, [os.environ.get("ASAN_OPTIONS"), "verify_asan_link_order=0"]))

    def start_program(self):
        plain = self.env
        self.env = dict(plain, **self.program_env)
        try:
            super().start_program()
        finally:
            self.env = plain


def arm(desk):
    wid, top = e2e.main_window(desk)
    desk.click(wid, 96 + 80, top + 152 + 12)
    wait_for("the armed title", lambda: desk.icon_name(wid) == ARMED, timeout=15)
    return wid


def late_box_reads(desk, wid, due, timeout):
    box = wait_for("the late alarm", lambda: desk.window_titled("Information"), timeout=timeout)
    text = desk.clipboard_text_of(box)
    check(MESSAGE in text, "message box reads %r" % text)
    check("(fällig um %s)" % due in text, "no due time %s in %r" % (due, text))
    check(desk.icon_name(wid) == ARMED, "disarmed before the message was confirmed")
    desk.key(box, "Return")
    wait_for("the box to close", lambda: desk.window_titled("Information") is None, timeout=15)
    wait_for("the disarmed title", lambda: desk.icon_name(wid) == TITLE, timeout=15)
    check(desk.output() == "", "program printed: %r" % desk.output())


def scenario_stopped(desk):
    """Stopped (SIGSTOP) before 08:00:30 and continued after 08:00:59."""
    desk.start_program()
    wid = arm(desk)
    armed_at = time.monotonic() - desk.started
    check(armed_at < 28, "arming took until %.0f s after 07:59:58" % armed_at)
    os.kill(desk.program.pid, signal.SIGSTOP)
    try:
        # The faked clock runs on in real time from 07:59:58 at start.
        time.sleep(max(0.0, 65 - (time.monotonic() - desk.started)))
    finally:
        os.kill(desk.program.pid, signal.SIGCONT)
    continued = time.monotonic()
    late_box_reads(desk, wid, "08:00:30", timeout=15)
    print("late alarm %.1f s after the program went on" % (time.monotonic() - continued))


def scenario_set_forward(desk):
    """The clock is set from 07:59:30 to 09:00:00 with the alarm at 08:00:00."""
    desk.start_program()
    wid = arm(desk)
    armed_at = time.monotonic() - desk.started
    check(armed_at < 28, "arming took until %.0f s after 07:59:30" % armed_at)
    with open(desk.time_file, "w") as f:
        f.write("@2026-12-10 09:00:00\n")
    late_box_reads(desk, wid, "08:00:00", timeout=20)


def scenario_spring_gap(desk):
    """Europe/Berlin on 2026-03-29: 02:30 does not exist; the alarm comes at 03:00."""
    desk.start_program()
    wid = arm(desk)
    armed_at = time.monotonic() - desk.started
    check(armed_at < 23, "arming took until %.0f s after 01:59:35, near the gap" % armed_at)
    check(desk.window_titled("Information") is None, "alarm before the gap")
    late_box_reads(desk, wid, "02:30:00", timeout=60)


def main():
    scenarios = {"stopped": scenario_stopped, "set-forward": scenario_set_forward,
                 "spring-gap": scenario_spring_gap}
    if len(sys.argv) != 3 or sys.argv[2] not in scenarios:
        print("usage: late_alarm_e2e.py PROGRAM {%s}" % "|".join(scenarios), file=sys.stderr)
        return 2
    missing = e2e.absent_tools("xclip", "import", "xmessage", faketime=True)
    if not os.path.exists("/usr/share/zoneinfo/Europe/Berlin"):
        missing.append("tzdata")
    if missing:
        return e2e.missing_tools(missing)
    program, name = sys.argv[1], sys.argv[2]
    if not os.access(program, os.X_OK):
        print("FAIL: no program at %s" % program)
        return 1
    if name == "stopped":
        desk = FakedDesktop(program, e2e.settings(8, 0, 30, MESSAGE),
                            {"FAKETIME": "@2026-12-10 07:59:58"})
    elif name == "set-forward":
        desk = FakedDesktop(program, e2e.settings(8, 0, 0, MESSAGE), {})
        desk.time_file = os.path.join(desk.tmp, "faketime")
        with open(desk.time_file, "w") as f:
            f.write("@2026-12-10 07:59:30\n")
        desk.program_env.update(FAKETIME_TIMESTAMP_FILE=desk.time_file, FAKETIME_NO_CACHE="1")
    else:
        desk = FakedDesktop(program, e2e.settings(2, 30, 0, MESSAGE),
                            {"FAKETIME": "@2026-03-29 01:59:35", "TZ": "Europe/Berlin"})
    return e2e.outcome(name, lambda: desk.run(scenarios[name]), desk.close)


if __name__ == "__main__":
    sys.exit(main())
