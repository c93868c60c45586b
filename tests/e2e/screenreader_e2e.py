#!/usr/bin/env python3
"""The program with the real screen reader: Orca on a private session and
accessibility bus, driven by keys alone. What Orca says is read from its
debug log (the "SPEECH OUTPUT" lines); it needs no speech server for that.

    screenreader_e2e.py PROGRAM SCENARIO

Scenarios:
  spoken  Ctrl+Return held for 1.5 s (the X server repeating it) arms once,
          and Orca says so with the time; Tab and Shift+Tab read each field
          once with the keys in its description, "Where am I" names no key
          of the field's own; the alarm's message is read, and after its "OK"
          Orca says that the alarm is off; Ctrl+Return arms and disarms,
          told each time; in the options, Alt+S and Space choose the sound
          card, which OK saves. Prints what Orca said at each step.

Uses the Desktop class of brenvik_e2e.py (Xvfb + openbox + the program) and
the accessibility bus of accessibility_e2e.py.
"""

import os
import re
import subprocess
import sys
import threading
import time
import tty

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from brenvik_e2e import (ARMED, TITLE, absent_tools, check, main_window,  # noqa: E402
                         missing_tools, run_scenario, wait_for)
from accessibility_e2e import BUS_LAUNCHER, start_accessibility_bus  # noqa: E402

# "SPEECH OUTPUT: 'text'" and the voice; a key echo has a blank before the voice.
SPOKEN = re.compile(r"SPEECH OUTPUT: '(.*?)'(?: voice=\S+)? ?(?:\{.*)?$")
MESSAGE = "Aufstehen!"
SETTINGS = ("[Sound]\r\nOhne=1\r\nSpeaker=0\r\nSoundkarte=0\r\n"
            "[Meldung]\r\nAlarmMeldung=%s\r\nStunde=12\r\nMinute=31\r\nSekunde=0\r\n" % MESSAGE)
# The alarm comes 18 s after the program starts: time enough to start and
# arm on a loaded machine; the fields are read meanwhile where time is left.
FAKE_START = "2026-12-10 12:30:42"
ALARM_AT = "2026-12-10 12:31:00"


class Orca:
    """Orca on its own session and accessibility bus, and what it says."""

    def __init__(self, desk):
        self.desk = desk
        self.utterances = []
        self.ready = threading.Event()
        self.lock = threading.Lock()

    def start(self):
        """The buses, then Orca; the program started after this speaks to them."""
        desk = self.desk
        start_accessibility_bus(desk)
        prefs = os.path.join(desk.tmp, "orca")
        os.mkdir(prefs)
        # No speech server: Orca logs what it would say all the same, and
        # does not wait for one to start.
        env = dict(desk.env, HOME=desk.tmp, SPEECHD_CMD="/bin/false")
        # The log is a terminal, so that Orca writes out each line at once.
        # The driver holds the terminal open too: without a writer, reading fails.
        master, self._log = os.openpty()
        tty.setraw(self._log)
        threading.Thread(target=self._read, args=(master,), daemon=True).start()
        command = ["orca", "--user-prefs", prefs, "--debug-file", os.ttyname(self._log)]
        # Orca does not start beside another Orca of the same user: in a
        # process namespace of its own it sees none of another session's.
        if subprocess.run(["unshare", "--pid", "--fork", "--mount-proc", "true"],
                          capture_output=True).returncode == 0:
            command = ["unshare", "--pid", "--fork", "--mount-proc", "--kill-child"] + command
        self.proc = desk._spawn(command, env=env, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)
        check(self.ready.wait(30), "Orca did not start")
        desk.env["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"

    def stop(self):
        # unshare ignores the request to end while it waits for its child;
        # killed, it takes Orca with it.
        self.proc.kill()
        self.proc.wait()

    def _read(self, fd):
        pending = b""
        while True:
            try:
                chunk = os.read(fd, 65536)
            except OSError:
                return
            if not chunk:
                return
            *complete, pending = (pending + chunk).split(b"\n")
            for line in complete:
                line = line.decode(errors="replace").rstrip("\r")
                if "ORCA: Starting registry" in line:
                    self.ready.set()
                spoken = SPOKEN.search(line)
                if spoken:
                    with self.lock:
                        self.utterances.append(spoken.group(1))

    def said(self):
        """Every utterance so far."""
        with self.lock:
            return list(self.utterances)

    def mark(self):
        return len(self.said())

    def since(self, mark):
        return self.said()[mark:]

    def wait_until(self, what, mark, predicate, timeout=10):
        return wait_for("Orca to say " + what, lambda: predicate(self.since(mark)), timeout=timeout)


def says(*phrases):
    """A predicate: each phrase is part of some utterance."""
    return lambda said: all(any(p in s for s in said) for p in phrases)


def step(orca, desk, name, keys, what, expected, settle=0.6, timeout=10):
    """Presses keys (xdotool key names; a tuple (key, seconds) holds a key),
    waits until Orca says what is expected and a little longer, prints what
    it said and returns it."""
    mark = orca.mark()
    for key in keys:
        if isinstance(key, tuple):
            desk.x("xdotool", "keydown", "--clearmodifiers", key[0], check_rc=True)
            time.sleep(key[1])
            desk.x("xdotool", "keyup", key[0], check_rc=True)
        else:
            desk.x("xdotool", "key", "--clearmodifiers", key, check_rc=True)
        time.sleep(0.1)
    started = time.monotonic()
    try:
        orca.wait_until(what, mark, expected, timeout)
        time.sleep(settle)
    finally:
        print("%s (%.1f s): %r" % (name, time.monotonic() - started, orca.since(mark)))
    return orca.since(mark)


def no_chatter(said):
    """Nothing about selected text, nor a key read as the field's own."""
    for s in said:
        check(not re.search(r"\bselected\b|\bunselected\b", s), "Orca said %r" % s)
        check(s not in ("Hoch", "Up"), "Orca read the arrow key as the field's shortcut")


def focus_steps_for(orca, desk):
    """Tab, Shift+Tab and "Where am I" in the fields, each read once."""
    def tab():
        said = step(orca, desk, "Tab", ["Tab"], "the minute field", says("Minute 31 spin button"))
        no_chatter(said)
        check(any("Strg+Eingabe" in s and "Strg+M" in s for s in said),
              "the field's description does not name the keys: %r" % said)

    def backtab():
        no_chatter(step(orca, desk, "Shift+Tab", ["shift+Tab"], "the hour field",
                        says("Stunde 12 spin button")))

    def where_am_i():
        no_chatter(step(orca, desk, "Where am I", ["KP_Enter"], "where the focus is",
                        says("spin button Stunde 12")))
    return [tab, backtab, where_am_i]


def scenario_spoken(desk):
    orca = Orca(desk)
    orca.start()
    desk.start_program()
    wid, _ = main_window(desk)
    orca.wait_until("the hour field", 0, says("Stunde 12 spin button"), timeout=30)
    desk.activate(wid)
    print("start: %r" % orca.since(0))

    # Held with the X server repeating it: one toggle, told once.
    said = step(orca, desk, "Ctrl+Return held", [("ctrl+Return", 1.5)], "the armed state",
                says("Alarm ist aktiv"), settle=1.0)
    told = [s for s in said if "Alarm ist aktiv" in s or "Alarm aus" in s]
    check(told == ["notification Alarm ist aktiv, 12:31:00."], "after the held key: %r" % told)
    check(desk.icon_name(wid) == ARMED, "the task bar reads %r" % desk.icon_name(wid))

    # While the alarm is still some way off, the fields are read meanwhile.
    focus_steps = focus_steps_for(orca, desk)
    while focus_steps and desk.moment(ALARM_AT) - time.monotonic() > 5:
        focus_steps.pop(0)()
    check(desk.window_titled("Information") is None,
          "the alarm came before the steps that lead to it were done")
    mark = orca.mark()
    box = wait_for("the alarm message", lambda: desk.window_titled("Information"),
                   timeout=max(5, desk.moment(ALARM_AT) - time.monotonic() + 15))
    orca.wait_until("the message", mark, says("Information", MESSAGE, "OK push button"))
    print("alarm: %r" % orca.since(mark))
    said = step(orca, desk, "OK", ["Return"], "that the alarm is off",
                says("notification Alarm aus", "spin button"))
    # Read last, after the window and its field that come back with it.
    check("notification Alarm aus." == said[-1], "the state is not read last: %r" % said)
    wait_for("the disarmed title", lambda: desk.icon_name(wid) == TITLE, timeout=10)

    for field_step in focus_steps:
        field_step()

    step(orca, desk, "Ctrl+Return", ["ctrl+Return"], "the armed state",
         says("notification Alarm ist aktiv, 12:31:00"))
    step(orca, desk, "Ctrl+Return", ["ctrl+Return"], "the disarmed state",
         says("notification Alarm aus"))
    check(desk.icon_name(wid) == TITLE, "the task bar reads %r" % desk.icon_name(wid))

    step(orca, desk, "Alt+O", ["alt+o"], "the options", says("Alarmton", "kein Alarmton"))
    step(orca, desk, "Alt+S", ["alt+s"], "the sound card", says("über Soundkarte", "not selected"))
    step(orca, desk, "Space", ["space"], "the sound card chosen",
         lambda said: any(re.match(r"selected\b", s) for s in said))
    step(orca, desk, "Alt+O", ["alt+o"], "the main window", says(TITLE))
    with open(os.path.join(desk.folder, "Timer.ini"), encoding="utf-8") as f:
        saved = f.read().replace("\r\n", "\n").split("\n")
    for line in ("Ohne=0", "Speaker=0", "Soundkarte=1"):
        check(line in saved, "Timer.ini lacks %r: %r" % (line, saved))
    # Qt's accessibility bridge warns when the screen reader takes more than
    # 100 ms to look at a key, as Orca may on a loaded machine, and again when
    # its answer comes after all; the key goes on all the same.
    printed = [line for line in desk.output().splitlines() if "QSpiApplication::" not in line]
    check(not printed, "program printed: %r" % printed)
    orca.stop()


SCENARIOS = {
    "spoken": (scenario_spoken, {"settings": SETTINGS, "fake_time": FAKE_START}),
}


def main():
    if len(sys.argv) != 3 or sys.argv[2] not in SCENARIOS:
        print("usage: screenreader_e2e.py PROGRAM {%s}" % "|".join(SCENARIOS), file=sys.stderr)
        return 2
    missing = absent_tools("dbus-daemon", "orca", faketime=True)
    if not os.access(BUS_LAUNCHER, os.X_OK):
        missing.append("at-spi2-core")
    if missing:
        return missing_tools(missing)
    run, options = SCENARIOS[sys.argv[2]]
    return run_scenario(sys.argv[1], sys.argv[2], run, options)


if __name__ == "__main__":
    sys.exit(main())
