#!/usr/bin/env python3
"""End-to-end scenarios of where the settings live.

    settings_e2e.py PROGRAM SCENARIO

Uses the Desktop class and helpers of brenvik_e2e.py.
"""

import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import brenvik_e2e as e2e  # noqa: E402

SHARED = "[Sound]\r\nFile=hahn.wav\r\nOhne=1\r\nSong=Entertainer\r\n[Meldung]\r\nStunde=7\r\n"


def _run(*args):
    return subprocess.call(list(args), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL) == 0


def protect(folder):
    """Makes the folder unwritable even for root: immutable, or else a read-only
    bind mount of itself. Returns how to undo it, or None."""
    if _run("chattr", "+i", folder):
        return lambda: _run("chattr", "-i", folder)
    if _run("mount", "--bind", folder, folder):
        if _run("mount", "-o", "remount,ro,bind", folder):
            return lambda: _run("umount", folder)
        _run("umount", folder)
    return None


def scenario_options_per_user(desk):
    """Program folder not writable (installed for everyone): "über &Soundkarte"
    and OK save into $XDG_CONFIG_HOME/brenvik-timer/Timer.ini without an error,
    the shared file stays as it was, and the dialog opened again shows the choice."""
    config = os.path.join(desk.tmp, "config")
    desk.env["XDG_CONFIG_HOME"] = config
    desk.start_program()
    wid, _ = e2e.main_window(desk)
    desk.key(wid, "alt+o")
    dialog = e2e.secondary_window(desk, wid, e2e.OPTIONS_CLIENT)
    gx, gy, _, _ = desk.geometry(dialog)
    test_button = (gx + 7 + 201 + 4, gy + 7 + 129 + 4, 48, 14)
    desk.click(dialog, 7 + 13 + 5, 7 + 76 + 8)  # "über &Soundkarte"
    e2e.wait_for("the file controls", lambda: e2e.has_ink(desk.screenshot(test_button)), timeout=5)
    desk.key(dialog, "alt+o")  # "&OK"
    e2e.gone(desk, dialog, "Alt+O")
    user_file = os.path.join(config, "brenvik-timer", "Timer.ini")
    e2e.check(os.path.exists(user_file), "no %s" % user_file)
    with open(user_file, encoding="utf-8") as f:
        saved = f.read().split("\n")
    for line in ("File=hahn.wav", "Ohne=0", "Speaker=0", "Soundkarte=1"):
        e2e.check(line in saved, "the user's Timer.ini lacks %r: %r" % (line, saved))
    with open(os.path.join(desk.folder, "Timer.ini"), encoding="utf-8", newline="") as f:
        e2e.check(f.read() == SHARED, "the shared Timer.ini changed")
    desk.key(wid, "alt+o")
    dialog = e2e.secondary_window(desk, wid, e2e.OPTIONS_CLIENT)
    gx, gy, _, _ = desk.geometry(dialog)
    test_button = (gx + 7 + 201 + 4, gy + 7 + 129 + 4, 48, 14)
    e2e.wait_for("the file controls enabled", lambda: e2e.has_ink(desk.screenshot(test_button)), timeout=5)
    desk.click(dialog, 204 + 38, 188 + 12)  # "&Abbrechen"
    e2e.gone(desk, dialog, "Abbrechen")
    e2e.check(desk.output() == "", "program printed: %r" % desk.output())


def main():
    if len(sys.argv) != 3 or sys.argv[2] != "options-per-user":
        print("usage: settings_e2e.py PROGRAM options-per-user", file=sys.stderr)
        return 2
    missing = [t for t in ("Xvfb", "openbox", "xdotool", "xprop", "xwininfo", "import")
               if not shutil.which(t)]
    if missing:
        return e2e.missing_tools(missing)
    desk = e2e.Desktop(sys.argv[1], settings=SHARED)
    # Written with Windows line ends; the Desktop writes text mode, so write again byte for byte.
    with open(os.path.join(desk.folder, "Timer.ini"), "w", encoding="utf-8", newline="") as f:
        f.write(SHARED)
    unprotect = protect(desk.folder)
    if not unprotect:
        # Root ignores permission bits; without chattr the folder stays writable.
        desk.close()
        return e2e.cannot_run("cannot make the program's folder unwritable")
    return e2e.outcome("options-per-user", lambda: desk.run(scenario_options_per_user),
                       unprotect, desk.close)


if __name__ == "__main__":
    sys.exit(main())
