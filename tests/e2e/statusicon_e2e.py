#!/usr/bin/env python3
"""The status icon on a desktop with a status area.

    statusicon_e2e.py PROGRAM SCENARIO

A private session bus with a status area on it (status_notifier_host.py); the
icon's tooltip is read and its menu clicked over D-Bus, as a panel does.
Needs python3-dbus and python3-gi (the system's python when another one runs
the driver).
"""

import os
import re
import select
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from brenvik_e2e import (ARMED, TITLE, absent_tools, check, main_window,  # noqa: E402
                         missing_tools, python_with, run_scenario, start_session_bus,
                         wait_for)

HERE = os.path.dirname(os.path.abspath(__file__))
ITEM = "org.kde.StatusNotifierItem"
MENU = "com.canonical.dbusmenu"
NO_SOUND = "[Sound]\r\nOhne=1\r\nSpeaker=0\r\nSoundkarte=0\r\n"


class StatusArea:
    """A session bus, optionally with the status area's watcher on it, and
    the program's item as a panel sees it."""

    def __init__(self, desk, with_watcher=True):
        import dbus  # noqa: E402 (only where it is installed)
        self.dbus = dbus
        self.desk = desk
        desk.env["DBUS_SESSION_BUS_ADDRESS"] = start_session_bus(desk._spawn, desk.env)
        self.bus = dbus.bus.BusConnection(desk.env["DBUS_SESSION_BUS_ADDRESS"])
        self.host = None
        if with_watcher:
            self.host = desk._spawn([sys.executable, os.path.join(HERE, "status_notifier_host.py")],
                                    env=desk.env, stdout=subprocess.PIPE, text=True)
            check(self.read_line(20) == "ready", "the status area did not start")
        self.service = None
        self.path = None

    def read_line(self, timeout):
        ready, _, _ = select.select([self.host.stdout], [], [], timeout)
        return self.host.stdout.readline().strip() if ready else None

    def wait_for_item(self):
        line = self.read_line(60)
        check(line and line.startswith("item "), "no status icon registered (%r)" % line)
        _, self.service, self.path = line.split()
        self.menu_path = self.prop("Menu")

    def prop(self, name):
        item = self.bus.get_object(self.service, self.path)
        return item.Get(ITEM, name, dbus_interface=self.dbus.PROPERTIES_IFACE)

    def tooltip(self):
        # (icon name, pixmaps, title, text): the title carries the tooltip.
        return str(self.prop("ToolTip")[2])

    def layout(self):
        menu = self.bus.get_object(self.service, self.menu_path)
        _, root = menu.GetLayout(0, -1, [], dbus_interface=MENU)
        return root

    def items(self, node=None, into=None):
        """Every menu entry as (label, id, enabled), submenus included."""
        node = self.layout() if node is None else node
        into = [] if into is None else into
        for child in node[2]:
            ident, props, _ = child
            if "label" in props:
                into.append((str(props["label"]), int(ident), bool(props.get("enabled", True))))
            self.items(child, into)
        return into

    def click(self, label):
        found = [i for i in self.items() if i[0] == label]
        check(found, "no menu entry %r in %r" % (label, self.items()))
        menu = self.bus.get_object(self.service, self.menu_path)
        menu.Event(self.dbus.Int32(found[0][1]), "clicked", self.dbus.Int32(0, variant_level=1),
                   self.dbus.UInt32(0), dbus_interface=MENU)

    def tooltip_becomes(self, pattern, timeout=15):
        return wait_for("the tooltip to match %r" % pattern,
                        lambda: re.fullmatch(pattern, self.tooltip()), timeout=timeout)


def second_start(desk, *args):
    env = dict(desk.env)
    result = subprocess.run([desk.program_path, *args], env=env, capture_output=True, text=True,
                            timeout=60)
    check(result.returncode == 0, "%s ended with %d: %s" % (" ".join(args), result.returncode,
                                                          result.stderr))


def scenario_follows(desk):
    """The tooltip follows arming by a second start and by the icon's menu;
    the menu's "Alarm aus" disarms, "Ende" ends the program."""
    area = StatusArea(desk)
    desk.start_program()
    area.wait_for_item()
    wid, _ = main_window(desk)
    check(area.tooltip() == "Alarm aus", "tooltip reads %r" % area.tooltip())
    labels = [label for label, _, _ in area.items()]
    check(labels == ["_Alarm in", "_5 Minuten", "_10 Minuten", "15 _Minuten", "_20 Minuten",
                     "_30 Minuten", "_45 Minuten", "_60 Minuten", "_Weitere", "Alarm aus",
                     "_Anzeigen", "_Ende"], "menu reads %r" % labels)
    check(not [e for l, _, e in area.items() if l == "Alarm aus"][0],
          "\"Alarm aus\" offered while disarmed")

    second_start(desk, "--um", "8:00")
    area.tooltip_becomes("Alarm: AKTIV – 08:00:00")
    check(desk.icon_name(wid) == ARMED, "title reads %r" % desk.icon_name(wid))
    area.click("Alarm aus")
    area.tooltip_becomes("Alarm aus")
    wait_for("the disarmed title", lambda: desk.icon_name(wid) == TITLE, timeout=15)

    # The faked clock started at 12:30:30 and keeps running.
    area.click("_5 Minuten")
    match = area.tooltip_becomes(r"Alarm: AKTIV – 12:3(\d):(\d\d)")
    armed_at = int(match.group(1)) * 60 + int(match.group(2))
    check(5 * 60 + 30 <= armed_at <= 7 * 60 + 30, "armed for 12:3%s:%s" % match.groups())
    wait_for("the armed title", lambda: desk.icon_name(wid) == ARMED, timeout=15)

    area.click("Alarm aus")
    area.tooltip_becomes("Alarm aus")
    area.click("_Ende")
    check(desk.exited() == 0, "program did not end with 0 after \"Ende\"")
    check(desk.output() == "", "program printed: %r" % desk.output())


def scenario_handover_during_alarm(desk):
    """A second start arms a new alarm while the alarm message is open;
    confirming the message keeps it armed."""
    area = StatusArea(desk)
    desk.start_program()
    area.wait_for_item()
    wid, _ = main_window(desk)
    second_start(desk, "--um", "8:00")
    area.tooltip_becomes("Alarm: AKTIV – 08:00:00")
    box = wait_for("the alarm message", lambda: desk.window_titled("Information"), timeout=60)
    second_start(desk, "--um", "9:15")
    area.tooltip_becomes("Alarm: AKTIV – 09:15:00")
    desk.key(box, "Return")
    wait_for("the box to close", lambda: desk.window_titled("Information") is None, timeout=15)
    # Whatever confirming did has reached the title and the icon by now.
    time.sleep(1)
    check(area.tooltip() == "Alarm: AKTIV – 09:15:00", "tooltip reads %r" % area.tooltip())
    check(desk.icon_name(wid) == ARMED, "title reads %r" % desk.icon_name(wid))
    check(desk.output() == "", "program printed: %r" % desk.output())


def scenario_no_status_area(desk):
    """A session bus without a status area: no icon, no word on standard error."""
    area = StatusArea(desk, with_watcher=False)
    desk.start_program()
    wid, _ = main_window(desk)
    second_start(desk, "--in", "5")
    wait_for("the armed title", lambda: desk.icon_name(wid) == ARMED, timeout=15)
    names = [str(n) for n in area.bus.list_names()]
    check(not [n for n in names if n.startswith(ITEM)], "an item on the bus: %r" % names)
    second_start(desk, "--aus")
    desk.key(wid, "alt+e")
    check(desk.exited() == 0, "program did not end with 0 after \"&Ende\"")
    check(desk.output() == "", "program printed: %r" % desk.output())


SCENARIOS = {
    "follows": (scenario_follows, {"settings": NO_SOUND, "fake_time": "2026-12-10 12:30:30"}),
    "handover-during-alarm": (scenario_handover_during_alarm,
                              {"settings": NO_SOUND, "fake_time": "2026-12-10 07:59:40"}),
    "no-status-area": (scenario_no_status_area, {"settings": NO_SOUND}),
}


def main():
    if len(sys.argv) != 3 or sys.argv[2] not in SCENARIOS:
        print("usage: statusicon_e2e.py PROGRAM {%s}" % "|".join(SCENARIOS), file=sys.stderr)
        return 2
    python = python_with("dbus, gi.repository.GLib")
    if python and os.path.realpath(python) != os.path.realpath(sys.executable):
        os.execv(python, [python] + sys.argv)
    missing = absent_tools("xclip", "xmessage", "dbus-daemon", faketime=True)
    if not python:
        missing.append("python3-dbus python3-gi")
    if missing:
        return missing_tools(missing)
    run, options = SCENARIOS[sys.argv[2]]
    return run_scenario(sys.argv[1], sys.argv[2], run, options)


if __name__ == "__main__":
    sys.exit(main())
