#!/usr/bin/env python3
"""End-to-end tests of the main window on a real desktop: close requests during
the close question, the task bar's text, placement by the window frame.

    mainwindow_e2e.py PROGRAM SCENARIO

Uses the Desktop class of brenvik_e2e.py (Xvfb + openbox + the program).
"""

import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from brenvik_e2e import (ARMED, HELP_CLIENT, INFO_CLIENT,  # noqa: E402
                         MAIN_CLIENT, OPTIONS_CLIENT, SPLASH_SIZE, TITLE, Desktop, absent_tools,
                         arm_from_menu,
                         check, frame_extents, frame_top_left, main_window, missing_tools,
                         outcome, secondary_window, settings, wait_for)

QUESTION = "Beenden..."


def questions(desk):
    return [w for w in desk.windows() if desk.title(w) == QUESTION]


def still_running(desk, seconds=1.5):
    return desk.exited(seconds) is None


def scenario_close_during_question(desk):
    """While "Beenden..." is open, Alt+F4 and a task bar's _NET_CLOSE_WINDOW
    on the main window are answered by the same question; the main window stays
    usable; "Nein" keeps the program armed, "Ja" ends it."""
    desk.start_program()
    wid, top = main_window(desk)
    arm_from_menu(desk, wid)
    desk.key(wid, "alt+F4")
    box = wait_for("the close question", lambda: desk.window_titled(QUESTION), timeout=15)

    # A second close from the keyboard, then one as a task bar or pager sends it.
    desk.key(wid, "alt+F4")
    check(still_running(desk), "a second Alt+F4 ended the program")
    desk.x("wmctrl", "-i", "-c", hex(wid), check_rc=True)
    check(still_running(desk), "_NET_CLOSE_WINDOW ended the program")
    check(questions(desk) == [box], "not the one question open: %r" % questions(desk))
    check(wid in desk.windows(), "main window gone during the question")
    check(desk.icon_name(wid) == ARMED, "disarmed during the question")

    # The main window takes clicks while the question waits: the toggle disarms.
    desk.click(wid, 96 + 80, top + 152 + 12)
    wait_for("the toggle to disarm during the question",
             lambda: desk.icon_name(wid) == TITLE, timeout=10)
    desk.click(wid, 96 + 80, top + 152 + 12)
    wait_for("the toggle to arm again", lambda: desk.icon_name(wid) == ARMED, timeout=10)

    desk.key(box, "Tab", "space")  # Nein
    wait_for("the question to close", lambda: not questions(desk), timeout=15)
    check(still_running(desk, 0.5), "program ended after Nein")
    check(desk.icon_name(wid) == ARMED, "alarm disarmed after Nein")

    desk.x("wmctrl", "-i", "-c", hex(wid), check_rc=True)
    box = wait_for("the close question", lambda: desk.window_titled(QUESTION), timeout=15)
    desk.key(box, "Return")  # Ja
    check(desk.exited() == 0, "program did not end with 0 after Ja")
    check(desk.output() == "", "program printed: %r" % desk.output())


TINT2RC = """\
rounded = 0
border_width = 0
background_color = #ffffff 100
border_color = #ffffff 100

panel_items = T
panel_size = 100% 30
panel_position = bottom center horizontal
panel_background_id = 1
panel_layer = top
wm_menu = 0
taskbar_mode = single_desktop
taskbar_background_id = 0
task_text = 1
task_icon = 0
task_centered = 0
task_maximum_size = 300 30
task_padding = 4 2 4
task_font = DejaVu Sans 11
task_font_color = #000000 100
task_active_font_color = #000000 100
task_iconified_font_color = #000000 100
task_background_id = 1
task_active_background_id = 1
task_iconified_background_id = 1
font_shadow = 0
"""


def start_taskbar(desk):
    rc = os.path.join(desk.tmp, "tint2rc")
    with open(rc, "w", encoding="utf-8") as f:
        f.write(TINT2RC)
    desk._spawn(["tint2", "-c", rc], env=desk.env, stdout=subprocess.DEVNULL,
                stderr=subprocess.DEVNULL)
    return wait_for("the task bar", lambda: desk.x("xdotool", "search", "--class", "tint2").split(),
                    timeout=20)


def save_taskbar(desk, name):
    """Keeps a picture of the task bar where BRENVIK_E2E_SHOTS names a folder."""
    folder = os.environ.get("BRENVIK_E2E_SHOTS")
    if not folder:
        return
    os.makedirs(folder, exist_ok=True)
    subprocess.run(["import", "-window", "root", "-crop", "1024x30+0+738",
                    os.path.join(folder, name + ".png")], env=desk.env, timeout=20)


def scenario_taskbar(desk):
    """A task bar shows window titles: a minimised, armed clock reads
    "Alarm: AKTIV" there; shown, the window reads "Brenvik Timer"."""
    start_taskbar(desk)
    desk.start_program()
    wid, _ = main_window(desk)
    arm_from_menu(desk, wid)
    check(desk.title(wid) == TITLE, "shown, the armed window reads %r" % desk.title(wid))
    desk.x("xdotool", "windowminimize", "--sync", str(wid), check_rc=True)
    # What tint2 and other task bars read for the entry's text.
    wait_for("the armed task bar entry", lambda: desk.title(wid) == ARMED, timeout=10)
    check(desk.prop(wid, "WM_NAME") == ARMED, "WM_NAME reads %r" % desk.prop(wid, "WM_NAME"))
    check(desk.icon_name(wid) == ARMED, "icon name reads %r" % desk.icon_name(wid))
    time.sleep(0.5)  # let the task bar redraw
    save_taskbar(desk, "minimised-armed")
    desk.x("xdotool", "windowactivate", "--sync", str(wid), check_rc=True)
    wait_for("the window's own caption", lambda: desk.title(wid) == TITLE, timeout=10)
    check(desk.icon_name(wid) == ARMED, "icon name reads %r" % desk.icon_name(wid))
    time.sleep(0.5)
    save_taskbar(desk, "shown-armed")
    desk.key(wid, "alt+e")
    box = wait_for("the close question", lambda: desk.window_titled(QUESTION), timeout=15)
    desk.key(box, "Return")
    check(desk.exited() == 0, "program did not end with 0")
    check(desk.output() == "", "program printed: %r" % desk.output())


def frame_rect(desk, wid):
    x, y, w, h = desk.geometry(wid)
    left, right, top, bottom = frame_extents(desk, wid)
    return (x - left, y - top, w + left + right, h + top + bottom)


def check_centred(desk, wid, what, over=(0, 0, 1024, 768)):
    x, y, w, h = frame_rect(desk, wid)
    cx, cy = x + w / 2, y + h / 2
    ox, oy, ow, oh = over
    check(abs(cx - (ox + ow / 2)) <= 1 and abs(cy - (oy + oh / 2)) <= 1,
          "%s frame %r is centred at %.1f,%.1f, not %.1f,%.1f"
          % (what, (x, y, w, h), cx, cy, ox + ow / 2, oy + oh / 2))


def bad_entry_box(desk, wid, what, dialog_centred=False):
    """Alarm in > Weitere with a bad entry; the error box's frame must stand on the
    main window's frame corner. Returns the box."""
    desk.key(wid, "alt+a")
    wait_for("the menu", lambda: len(desk.windows()) > 1, timeout=15)
    desk.x("xdotool", "key", "--clearmodifiers", "w", check_rc=True)
    dialog = wait_for("the input dialog", lambda: desk.window_titled("Alarm in"), timeout=15)
    if dialog_centred:
        check_centred(desk, dialog, "input dialog")
    desk.key(dialog, "x", "Return")
    box = wait_for("the error box", lambda: desk.window_titled("Information"), timeout=15)
    check(frame_top_left(desk, box) == frame_top_left(desk, wid),
          "error box frame at %r, %s frame at %r"
          % (frame_top_left(desk, box), what, frame_top_left(desk, wid)))
    return box


def scenario_placement(desk):
    """The main window and the input dialog are centred by their frames; the
    "Weitere" error box's frame stands on the main window's frame corner."""
    desk.start_program()
    wid, _ = main_window(desk)
    check_centred(desk, wid, "main window")
    box = bad_entry_box(desk, wid, "main window", dialog_centred=True)
    # Moved elsewhere, the main window takes the box along.
    desk.key(box, "Return")
    wait_for("the box to close", lambda: desk.window_titled("Information") is None, timeout=15)
    desk.x("xdotool", "windowmove", "--sync", str(wid), "40", "60", check_rc=True)
    time.sleep(0.3)
    box = bad_entry_box(desk, wid, "moved main window")
    desk.key(box, "Return")
    desk.key(wid, "alt+e")
    check(desk.exited() == 0, "program did not end with 0")
    check(desk.output() == "", "program printed: %r" % desk.output())


def scenario_alarm_placement(desk):
    """The alarm message's frame stands on the main window's frame corner, also
    after the window was dragged elsewhere."""
    desk.start_program()
    wid, top = main_window(desk)
    desk.x("xdotool", "windowmove", "--sync", str(wid), "300", "200", check_rc=True)
    time.sleep(0.3)
    desk.click(wid, 96 + 80, top + 152 + 12)  # arms 08:00:00 from Timer.ini
    wait_for("the armed title", lambda: desk.icon_name(wid) == ARMED, timeout=15)
    box = wait_for("the alarm message", lambda: desk.window_titled("Information"), timeout=60)
    check(frame_top_left(desk, box) == frame_top_left(desk, wid),
          "alarm box frame at %r, main window frame at %r"
          % (frame_top_left(desk, box), frame_top_left(desk, wid)))
    desk.key(box, "Return")
    wait_for("the disarmed title", lambda: desk.icon_name(wid) == TITLE, timeout=15)
    check(desk.output() == "", "program printed: %r" % desk.output())


def desktop_of(desk, wid):
    value = desk.prop(wid, "_NET_WM_DESKTOP")
    return int(value) if value is not None else None


def current_desktop(desk):
    return int(desk.x("xprop", "-root", "_NET_CURRENT_DESKTOP").split("=")[-1])


def scenario_alarm_other_desktop(desk):
    """The alarm falls due while the user works on another desktop and the
    main window is minimised on the first one: the window comes to the desktop
    the user is on, restored and in front, with the message."""
    desk.start_program()
    wid, top = main_window(desk)
    desk.click(wid, 96 + 80, top + 152 + 12)  # arms 08:00:00 from Timer.ini
    wait_for("the armed title", lambda: desk.icon_name(wid) == ARMED, timeout=15)
    check(desktop_of(desk, wid) == 0, "main window on desktop %r" % desktop_of(desk, wid))
    desk.x("xdotool", "windowminimize", "--sync", str(wid), check_rc=True)
    desk.x("wmctrl", "-s", "2", check_rc=True)
    wait_for("the other desktop", lambda: current_desktop(desk) == 2, timeout=10)
    box = wait_for("the alarm message", lambda: desk.window_titled("Information"), timeout=60)
    check(current_desktop(desk) == 2, "the desktop was switched to %d" % current_desktop(desk))
    wait_for("the main window on the user's desktop", lambda: desktop_of(desk, wid) == 2, timeout=5)
    wait_for("the main window shown", lambda: wid in desk.windows(), timeout=5)
    state = desk.prop(wid, "_NET_WM_STATE") or ""
    check("_NET_WM_STATE_HIDDEN" not in state, "main window still iconic: %s" % state)
    check(desktop_of(desk, box) in (2, 0xFFFFFFFF), "message on desktop %r" % desktop_of(desk, box))
    desk.key(box, "Return")
    wait_for("the disarmed title", lambda: desk.icon_name(wid) == TITLE, timeout=15)
    check(desk.output() == "", "program printed: %r" % desk.output())


def scaled(size, ratio):
    """A size in the layout's pixels on a screen of this device pixel ratio, as
    Qt rounds it (halves away from zero)."""
    return tuple(int(v * ratio + 0.5) for v in size)


def scenario_scaled(desk):
    """At 120 dpi (Xft.dpi, as desktops set it) every window is 1.25 times its
    layout, the splash and the secondary windows too, and each stands where it
    does at 96 dpi: placement counts the frame in the same pixels."""
    ratio = 1.25
    desk.x("xprop", "-root", "-f", "RESOURCE_MANAGER", "8s", "-set", "RESOURCE_MANAGER",
           "Xft.dpi:\t120\n", check_rc=True)
    desk.start_program()
    splash = wait_for("the splash", lambda: [g for g in map(desk.geometry, desk.windows()) if g],
                      timeout=60)[0]
    check(splash[2:] == scaled(SPLASH_SIZE, ratio), "splash is %dx%d" % splash[2:])
    check(abs(splash[0] + splash[2] / 2 - 512) <= 1 and abs(splash[1] + splash[3] / 2 - 384) <= 1,
          "splash not centred: %r" % (splash,))
    wid = wait_for("the main window", lambda: desk.window_titled(TITLE), timeout=60)
    _, _, width, height = desk.geometry(wid)
    main_client = scaled(MAIN_CLIENT, ratio)
    check(width == main_client[0] and height >= main_client[1],
          "main window is %dx%d, not %d wide" % (width, height, main_client[0]))
    check_centred(desk, wid, "main window")
    main_frame = frame_rect(desk, wid)
    for keys, client, where in ((("alt+o",), OPTIONS_CLIENT, "centred over the main window"),
                                (("alt+h", "w"), HELP_CLIENT, "on the main window's corner"),
                                (("alt+h", "i"), INFO_CLIENT, "on the main window's corner")):
        desk.key(wid, *keys)
        other = secondary_window(desk, wid, scaled(client, ratio))
        if where.startswith("centred"):
            check_centred(desk, other, "%dx%d window" % client, over=main_frame)
        else:
            at, main_at = frame_top_left(desk, other), main_frame[:2]
            check(abs(at[0] - main_at[0]) <= 1 and abs(at[1] - main_at[1]) <= 1,
                  "%dx%d window at %r, main window at %r" % (client + (at, main_at)))
        desk.x("wmctrl", "-i", "-c", hex(other), check_rc=True)
        wait_for("the window to close", lambda: other not in desk.windows(), timeout=10)
    desk.key(wid, "alt+e")
    check(desk.exited() == 0, "program did not end with 0")
    check(desk.output() == "", "program printed: %r" % desk.output())


SCENARIOS = {
    "close-during-question": (scenario_close_during_question, ["wmctrl"]),
    "taskbar": (scenario_taskbar, ["tint2"]),
    "placement": (scenario_placement, []),
    "alarm-placement": (scenario_alarm_placement, []),
    "scaled": (scenario_scaled, ["wmctrl"]),
    "alarm-other-desktop": (scenario_alarm_other_desktop, ["wmctrl"]),
}

OPTIONS = {
    "alarm-placement": {
        "settings": settings(8, 0, 0, "Zeit!"),
        "fake_time": "2026-12-10 07:59:45"},
    "alarm-other-desktop": {
        "settings": settings(8, 0, 0, "Zeit!"),
        "fake_time": "2026-12-10 07:59:45"},
}


def main():
    if len(sys.argv) != 3 or sys.argv[2] not in SCENARIOS:
        print("usage: mainwindow_e2e.py PROGRAM {%s}" % "|".join(SCENARIOS), file=sys.stderr)
        return 2
    run, tools = SCENARIOS[sys.argv[2]]
    missing = absent_tools("import", "xmessage", *tools,
                           faketime="fake_time" in OPTIONS.get(sys.argv[2], {}))
    if missing:
        return missing_tools(missing)
    desk = Desktop(sys.argv[1], **OPTIONS.get(sys.argv[2], {}))
    return outcome(sys.argv[2], lambda: desk.run(run), desk.close)


if __name__ == "__main__":
    sys.exit(main())
