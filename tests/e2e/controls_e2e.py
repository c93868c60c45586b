#!/usr/bin/env python3
"""End-to-end checks of the flat controls in the real program."""

import sys
import time

import brenvik_e2e as e2e
from brenvik_e2e import check, wait_for

# The up arrow of seSekunde (208, 80, 49 x 23): the arrow pair starts 25 pixels
# into the field, 3 below its top; the arrow is 11 x 17.
SECONDS_UP_ARROW = (208 + 25 + 5, 80 + 3 + 8)


def seconds_text(desk, wid):
    desk.key(wid, "ctrl+a")
    return desk.clipboard_text_of(wid).strip()


def scenario_held_arrow(desk):
    """An arrow held down when the close question opens stops repeating: the
    release goes to the question, and the field must not run on by itself."""
    desk.start_program()
    wid, top = e2e.main_window(desk)
    e2e.arm_from_menu(desk, wid)
    gx, gy, _, _ = desk.geometry(wid)
    desk.activate(wid)
    desk.x("xdotool", "mousemove", "--sync", str(gx + SECONDS_UP_ARROW[0]),
           str(gy + top + SECONDS_UP_ARROW[1]), check_rc=True)
    desk.x("xdotool", "mousedown", "1", check_rc=True)
    # Without --clearmodifiers, which would lift the held button for the key.
    desk.x("xdotool", "key", "alt+F4", check_rc=True)
    box = wait_for("the close question", lambda: desk.window_titled("Beenden..."), timeout=15)
    desk.x("xdotool", "mouseup", "1", check_rc=True)
    desk.key(box, "Tab", "space")  # Nein
    wait_for("the question to close", lambda: desk.window_titled("Beenden...") is None, timeout=15)
    # The arrow's press moved the focus into the field: type a new value.
    desk.key(wid, "ctrl+a", "1", "0")
    time.sleep(1.5)
    text = seconds_text(desk, wid)
    check(text == "10", "typed 10 into the seconds, which then read %r" % text)

SCENARIOS = {"held-arrow": (scenario_held_arrow, {})}


if __name__ == "__main__":
    e2e.SCENARIOS.update(SCENARIOS)
    sys.exit(e2e.main())
