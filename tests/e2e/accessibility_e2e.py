#!/usr/bin/env python3
"""The program as a screen reader sees it: the accessibility bus (AT-SPI) on a
private session bus, the tree read and driven through pyatspi, without mouse or
keys where the scenario says so.

    accessibility_e2e.py PROGRAM SCENARIO

Scenarios:
  alarm  find the time fields by name, set 12:31:00 through their value, enter
         the message through "Meldung" and the input dialog, press the toggle
         through its action and read the armed state back; the alarm (under a
         faked clock) shows its message as an alert, whose OK disarms.
  tree   the main window's and the options dialog's tree: every control has a
         role and a name; the radio buttons check through their action.
         Prints the main window's tree and the dialog's, as opened and after.

Uses the Desktop class of brenvik_e2e.py (Xvfb + openbox + the program).
"""

import os
import re
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from brenvik_e2e import (ARMED, TITLE, absent_tools, check, main_window,  # noqa: E402
                         missing_tools, python_with, run_scenario, start_session_bus,
                         wait_for)

BUS_LAUNCHER = "/usr/libexec/at-spi-bus-launcher"
NO_SOUND = "[Sound]\r\nOhne=1\r\nSpeaker=0\r\nSoundkarte=0\r\n"
MESSAGE = "Tee ist fertig"


def start_accessibility_bus(desk):
    """A private session bus with the accessibility bus on it, in desk.env:
    what the program and a screen reader started after this speak to."""
    desk.env["DBUS_SESSION_BUS_ADDRESS"] = start_session_bus(desk._spawn, desk.env)
    desk.env.pop("AT_SPI_BUS_ADDRESS", None)
    desk._spawn([BUS_LAUNCHER, "--launch-immediately"], env=desk.env,
                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    wait_for("the accessibility bus", lambda: "AT_SPI_BUS" in desk.x(
        "xprop", "-root", "AT_SPI_BUS") and "not found" not in desk.x(
        "xprop", "-root", "AT_SPI_BUS"), timeout=20)


class Reader:
    """The accessibility bus of one desktop, and the program's objects on it."""

    def __init__(self, desk):
        self.desk = desk
        self.pyatspi = None

    def start(self):
        """A private session bus with the accessibility bus on it; then the
        program, which always speaks to it."""
        desk = self.desk
        start_accessibility_bus(desk)
        # pyatspi finds the bus through these when it is first imported.
        for key in ("DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "XDG_RUNTIME_DIR"):
            os.environ[key] = desk.env[key]
        os.environ.pop("AT_SPI_BUS_ADDRESS", None)
        import pyatspi  # noqa: E402 (needs the environment above)
        self.pyatspi = pyatspi
        desk.env["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
        desk.start_program()

    def application(self):
        desktop = self.pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            try:
                if app is not None and app.get_process_id() == self.desk.program.pid:
                    return app
            except Exception:  # an application that went away meanwhile
                continue
        return None

    def window(self, name, role=None):
        """A top-level window of the program by name (and role)."""
        def find():
            app = self.application()
            if app is None:
                return None
            for i in range(app.childCount):
                win = app.getChildAtIndex(i)
                if win is not None and win.name == name and (role is None or win.getRoleName() == role):
                    return win
            return None
        return wait_for("the window %r in the tree" % name, find, timeout=30)

    def find(self, root, role, name=None):
        found = self.find_all(root, role, name)
        check(len(found) == 1, "%d objects %s %r under %r" % (len(found), role, name, root.name))
        return found[0]

    def find_all(self, root, role, name=None):
        found = []
        for acc in walk(root):
            if acc.getRoleName() == role and (name is None or acc.name == name):
                found.append(acc)
        return found

    def states(self, acc):
        return {self.pyatspi.stateToString(s) for s in acc.getState().getStates()}

    def do(self, acc, action):
        actions = acc.queryAction()
        names = [actions.getName(i) for i in range(actions.nActions)]
        check(action in names, "%s %r offers %r, not %r" % (acc.getRoleName(), acc.name, names, action))
        actions.doAction(names.index(action))


def walk(acc):
    yield acc
    for i in range(acc.childCount):
        child = acc.getChildAtIndex(i)
        if child is not None:
            yield from walk(child)


def text_of(acc):
    try:
        return acc.queryText().getText(0, -1)
    except NotImplementedError:
        return None


def dump(reader, acc, depth=0):
    """One line per object: role, name, states, and what it holds and does."""
    parts = ["%s%s %r" % ("  " * depth, acc.getRoleName(), acc.name)]
    states = sorted(reader.states(acc) & {"focusable", "focused", "checked", "pressed",
                                           "editable", "sensitive", "showing", "selectable-text"})
    parts.append("[%s]" % " ".join(states))
    try:
        value = acc.queryValue()
        parts.append("value=%g (%g..%g, step %g)" % (value.currentValue, value.minimumValue,
                                                      value.maximumValue, value.minimumIncrement))
    except NotImplementedError:
        pass
    text = text_of(acc)
    if text and acc.getRoleName() not in ("push button", "radio button", "label", "link"):
        parts.append("text=%r" % (text[:40] + ("…" if len(text) > 40 else "")))
    elif text is not None and acc.getRoleName() == "label" and text != acc.name:
        parts.append("text=%r" % text)
    try:
        actions = acc.queryAction()
        names = [actions.getName(i) for i in range(actions.nActions)]
        if names:
            parts.append("actions=%s" % ",".join(names))
    except NotImplementedError:
        pass
    if acc.description:
        parts.append("description=%r" % acc.description)
    lines = [" ".join(parts)]
    for i in range(acc.childCount):
        child = acc.getChildAtIndex(i)
        if child is not None:
            lines.extend(dump(reader, child, depth + 1))
    return lines


def check_named(reader, root):
    """No object a user can reach stands there without a role or a name."""
    for acc in walk(root):
        role = acc.getRoleName()
        check(role not in ("unknown", "invalid"), "an object without a role: %r" % acc.name)
        if role in ("push button", "radio button", "spin button", "text", "link", "label"):
            check(acc.name, "an unnamed %s (%r)" % (role, text_of(acc)))


def scenario_alarm(desk):
    """A screen reader's user sets 12:31:00, the message and arms; the alarm
    comes as an alert with the message, and its OK disarms."""
    reader = Reader(desk)
    reader.start()
    wid, _ = main_window(desk)
    frame = reader.window(TITLE, "frame")

    # The label "Aktuelle Zeit" and the clock it names: the clock's text is the time.
    clock = [acc for acc in reader.find_all(frame, "label", "Aktuelle Zeit")
             if text_of(acc) not in (None, acc.name)]
    check(len(clock) == 1, "%d clocks named \"Aktuelle Zeit\": %r" % (len(clock), [text_of(c) for c in clock]))
    clock = clock[0]
    shown = text_of(clock)
    check(re.fullmatch(r"12:3[01]:\d\d", shown or ""), "the clock reads %r" % shown)

    fields = {name: reader.find(frame, "spin button", name) for name in ("Stunde", "Minute", "Sekunde")}
    for name, value in (("Stunde", 12), ("Minute", 31), ("Sekunde", 0)):
        fields[name].queryValue().currentValue = value
    for name, value in (("Stunde", 12), ("Minute", 31), ("Sekunde", 0)):
        wait_for("%s to read %d" % (name, value),
                 lambda f=fields[name], v=value: f.queryValue().currentValue == v, timeout=5)
        check(text_of(fields[name]) == str(value), "%s shows %r" % (name, text_of(fields[name])))

    reader.do(reader.find(frame, "push button", "Meldung"), "Press")
    prompt = reader.window("Beim Alarm")
    entry = reader.find(prompt, "text")
    entry.queryEditableText().setTextContents(MESSAGE)
    reader.do(reader.find(prompt, "push button", "OK"), "Press")
    wait_for("the input dialog to close", lambda: not [
        w for w in desk.windows() if desk.title(w) == "Beim Alarm"], timeout=10)

    toggle = reader.find(frame, "push button", "Alarm aus")
    reader.do(toggle, "Press")
    wait_for("the toggle to read \"Alarm ist aktiv\"", lambda: toggle.name == "Alarm ist aktiv", timeout=10)
    check(desk.icon_name(wid) == ARMED, "the task bar reads %r" % desk.icon_name(wid))
    print("armed at %s for 12:31:00" % text_of(clock))

    alert = reader.window("Information")
    said = " ".join(filter(None, (acc.name for acc in walk(alert))))
    check(MESSAGE in said, "the alarm says %r" % said)
    reader.do(reader.find(alert, "push button", "OK"), "Press")
    wait_for("the toggle to read \"Alarm aus\"", lambda: toggle.name == "Alarm aus", timeout=10)
    check(desk.icon_name(wid) == TITLE, "the task bar reads %r" % desk.icon_name(wid))
    check(desk.output() == "", "program printed: %r" % desk.output())


def scenario_tree(desk):
    """Both trees, named throughout; the radio buttons check through their action."""
    reader = Reader(desk)
    reader.start()
    wid, _ = main_window(desk)
    frame = reader.window(TITLE, "frame")
    check_named(reader, frame)
    toggle = reader.find(frame, "push button", "Alarm aus")
    check("Strg+Eingabe" in toggle.description, "the toggle's key is not told: %r" % toggle.description)
    print("--- main window")
    print("\n".join(dump(reader, frame)))

    desk.key(wid, "alt+o")
    dialog = reader.window(TITLE, "dialog")
    check_named(reader, dialog)
    group = reader.find(dialog, "panel", "Alarmton")
    radios = reader.find_all(group, "radio button")
    check([r.name for r in radios] == ["kein Alarmton", "über PC Speaker", "über Soundkarte"],
          "radio buttons: %r" % [r.name for r in radios])
    sound = reader.find(dialog, "text", "Sound:")
    check("sensitive" not in reader.states(sound), "the sound field is enabled without the sound card")
    print("--- options dialog as opened")
    print("\n".join(dump(reader, dialog)))
    reader.do(radios[2], "Toggle")
    wait_for("\"über Soundkarte\" checked", lambda: "checked" in reader.states(radios[2]), timeout=10)
    check("checked" not in reader.states(radios[0]), "\"kein Alarmton\" still checked")
    wait_for("the sound field enabled", lambda: "sensitive" in reader.states(sound), timeout=10)
    print("--- options dialog, \"über Soundkarte\" chosen")
    print("\n".join(dump(reader, dialog)))

    reader.do(reader.find(dialog, "push button", "Abbrechen"), "Press")
    wait_for("the options dialog to close", lambda: len(desk.windows()) == 1, timeout=10)
    check(desk.output() == "", "program printed: %r" % desk.output())


SCENARIOS = {
    "alarm": (scenario_alarm, {"settings": NO_SOUND, "fake_time": "2026-12-10 12:30:30"}),
    "tree": (scenario_tree, {"settings": NO_SOUND}),
}


def main():
    if len(sys.argv) != 3 or sys.argv[2] not in SCENARIOS:
        print("usage: accessibility_e2e.py PROGRAM {%s}" % "|".join(SCENARIOS), file=sys.stderr)
        return 2
    python = python_with("pyatspi")
    if python and os.path.realpath(python) != os.path.realpath(sys.executable):
        os.execv(python, [python] + sys.argv)
    missing = absent_tools("dbus-daemon", faketime=True)
    if not os.access(BUS_LAUNCHER, os.X_OK):
        missing.append("at-spi2-core")
    if not python:
        missing.append("python3-pyatspi")
    if missing:
        return missing_tools(missing)
    run, options = SCENARIOS[sys.argv[2]]
    return run_scenario(sys.argv[1], sys.argv[2], run, options)


if __name__ == "__main__":
    sys.exit(main())
