#!/usr/bin/env python3
"""End-to-end tests of the program run as a normal user.

    brenvik_user_e2e.py PROGRAM package BUILD   the installed Debian package
    brenvik_user_e2e.py PROGRAM wake            the wake-up timer of an armed alarm
    brenvik_user_e2e.py PROGRAM runtime-folder  no XDG_RUNTIME_DIR, another user's
                                                folders and sockets in /tmp

All need root: "package" to read what apt installed, to start the program as
the user brenvik-e2e (created when missing) and to remove the package and
install it again from BUILD/brenvik-timer_*.deb, "wake" also to give the
helper its capability with setcap, "runtime-folder" to play the other user.
Elsewhere they skip, but never under CI=true. Helpers come from brenvik_e2e.py.
"""

import glob
import os
import pwd
import re
import shlex
import shutil
import socket
import stat
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from brenvik_e2e import (ARMED, FAKETIME_LIBRARY, OPTIONS_CLIENT, TITLE, Desktop, Failure,  # noqa: E402
                         absent_tools,
                         cannot_run, check, gone, has_ink, main_window, missing_tools, outcome,
                         secondary_window, settings, wait_for)

USER = "brenvik-e2e"
INSTALLED = "/usr/lib/brenvik-timer"
CAP_WAKE_ALARM = 1 << 35
CLOCK_REALTIME_ALARM = 8


class Skip(Exception):
    pass


def ensure_user():
    try:
        return pwd.getpwnam(USER)
    except KeyError:
        subprocess.run(["useradd", "--system", "--no-create-home", "--shell", "/usr/sbin/nologin",
                        USER], check=True)
        return pwd.getpwnam(USER)


class UserDesktop(Desktop):
    """The program started as the user brenvik-e2e with a fresh home of its own."""

    def __init__(self, program, copy=False, settings=None, fake_time=None, args=(), env=None,
                 runtime_dir=True):
        user = ensure_user()
        self.uid, self.gid = user.pw_uid, user.pw_gid
        self.procs = []
        self.tmp = tempfile.mkdtemp(prefix="brenvik-user-e2e-")
        os.chmod(self.tmp, 0o755)
        self.runtime = self._own_dir("runtime")
        self.home = self._own_dir("home")
        if copy:
            # A folder the user may read but not write, like an installed one.
            self.folder = os.path.join(self.tmp, "program")
            os.mkdir(self.folder, 0o755)
            self.program_path = self._copy_program(program)
        else:
            self.folder = os.path.dirname(os.path.realpath(program))
            self.program_path = program
        if settings is not None:
            with open(os.path.join(self.folder, "Timer.ini"), "w", encoding="utf-8") as f:
                f.write(settings)
        self.fake_time = fake_time
        self.args = list(args)
        self.extra_env = dict(env or {})
        self.runtime_dir = runtime_dir
        self.env = None
        self.program = None

    def _own_dir(self, name):
        path = os.path.join(self.tmp, name)
        os.mkdir(path, 0o700)
        os.chown(path, self.uid, self.gid)
        return path

    def user_env(self):
        env = dict(self.env, HOME=self.home, USER=USER, LOGNAME=USER, **self.extra_env)
        env.pop("XDG_CONFIG_HOME", None)
        if not self.runtime_dir:
            env.pop("XDG_RUNTIME_DIR", None)
        return env

    def run_as_user(self, *args):
        """Another start of the program as the user: (status, stdout, stderr)."""
        result = subprocess.run([self.program_path, *args], env=self.user_env(), cwd=self.home,
                                capture_output=True, timeout=60, user=self.uid, group=self.gid,
                                extra_groups=[])
        return (result.returncode, result.stdout.decode(errors="replace"),
                result.stderr.decode(errors="replace"))

    def start_program(self):
        env = self.user_env()
        if self.fake_time:
            env["LD_PRELOAD"] = FAKETIME_LIBRARY
            env["FAKETIME"] = "@" + self.fake_time
            env["FAKETIME_DONT_FAKE_MONOTONIC"] = "1"
        self.out = open(os.path.join(self.tmp, "stdout"), "w+b")
        self.err = open(os.path.join(self.tmp, "stderr"), "w+b")
        self.started = time.monotonic()
        self.program = self._spawn([self.program_path] + self.args, env=env, cwd=self.home,
                                   stdout=self.out, stderr=self.err, user=self.uid,
                                   group=self.gid, extra_groups=[])

    def user_settings(self):
        return os.path.join(self.home, ".config", "brenvik-timer", "Timer.ini")

    def second_start(self, args):
        """Another start as the same user on the same display: (status, output)."""
        result = subprocess.run(args, env=self.user_env(), cwd=self.home, capture_output=True,
                                text=True, timeout=30, user=self.uid, group=self.gid,
                                extra_groups=[])
        return result.returncode, result.stdout + result.stderr


# --- the menu entry --------------------------------------------------------------


def desktop_entry(path):
    """The groups of a .desktop file: {group: {key: value}}."""
    groups, group = {}, None
    with open(path, encoding="utf-8") as f:
        for line in f.read().splitlines():
            if not line.strip() or line.startswith("#"):
                continue
            if line.startswith("[") and line.endswith("]"):
                group = groups.setdefault(line[1:-1], {})
            elif group is not None and "=" in line:
                key, value = line.split("=", 1)
                group[key.strip()] = value.strip()
    return groups


def exec_args(value):
    """An Exec value as a launcher runs it: quoted as the shell quotes, the
    field codes (%f, %U, ...) left out, %% for a percent sign."""
    args = [a for a in shlex.split(value) if not re.fullmatch(r"%[fFuUdDnNickvm]", a)]
    return [a.replace("%%", "%") for a in args]


SYSTEM_FONTS_CONF = """<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
  <dir>/usr/share/fonts</dir>
  <cachedir>%s</cachedir>
  <include ignore_missing="yes">/etc/fonts/conf.d</include>
</fontconfig>
"""


# --- /proc ---------------------------------------------------------------------


def children(pid, name):
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % entry) as f:
                stat = f.read()
        except OSError:
            continue
        comm = stat[stat.index("(") + 1:stat.rindex(")")]
        fields = stat[stat.rindex(")") + 2:].split()
        if comm == name and fields[0] != "Z" and int(fields[1]) == pid:
            found.append(int(entry))
    return found


def alive(pid):
    try:
        with open("/proc/%d/stat" % pid) as f:
            stat = f.read()
    except OSError:
        return False
    return stat[stat.rindex(")") + 2:].split()[0] != "Z"


def timer_of(pid):
    """(clockid, seconds left) of the process's timerfd, or None."""
    fd_dir = "/proc/%d/fd" % pid
    try:
        fds = os.listdir(fd_dir)
    except OSError:
        return None
    for fd in fds:
        try:
            if "timerfd" not in os.readlink(os.path.join(fd_dir, fd)):
                continue
            with open("/proc/%d/fdinfo/%s" % (pid, fd)) as f:
                info = dict(line.split(":", 1) for line in f.read().splitlines() if ":" in line)
        except OSError:
            continue
        left = info["it_value"].strip().strip("()").split(",")
        return int(info["clockid"]), int(left[0]) + int(left[1]) / 1e9
    return None


def capabilities_of(pid, *fields):
    with open("/proc/%d/status" % pid) as f:
        status = dict(line.split(":", 1) for line in f.read().splitlines() if ":" in line)
    return tuple(int(status[field], 16) for field in fields or ("CapPrm", "CapEff"))


def toggle(desk, wid, top):
    desk.click(wid, 96 + 80, top + 152 + 12)


# --- scenarios -----------------------------------------------------------------


def apt_get(*args):
    env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
    return subprocess.run(["apt-get", "-y", "-q", "-o", "DPkg::Lock::Timeout=120"] + list(args),
                          env=env, capture_output=True, text=True, timeout=300)


def package_status():
    return subprocess.run(["dpkg-query", "-W", "-f=${db:Status-Status}", "brenvik-timer"],
                          capture_output=True, text=True).stdout.strip() or "not-installed"


def scenario_package(program, build):
    """The installed package: its files and dependencies; the program as a
    normal user on a desktop whose font configuration does not list the face,
    started from the menu entry, driven by the entry's actions and the command
    line, the alarm under a faked clock, the options saved to the user's own
    settings file; then removed without a trace and installed again."""
    if not os.path.exists(os.path.join(INSTALLED, "brenvik-timer")):
        raise Skip("the package is not installed (apt-get install ./brenvik-timer_*.deb)")
    debs = sorted(glob.glob(os.path.join(build, "brenvik-timer_*.deb")))
    check(len(debs) == 1, "no single package in %s to install again after removing it: %r"
          % (build, debs))
    depends = subprocess.run(["dpkg-query", "-W", "-f=${Depends}", "brenvik-timer"],
                             capture_output=True, text=True, check=True).stdout
    names = {d.strip().split()[0] for d in depends.replace("|", ",").split(",") if d.strip()}
    for needed in ("qt6-qpa-plugins", "libqt6multimedia6", "qt6-translations-l10n", "libcap2-bin",
                   "libqt6widgets6", "libc6", "libxcb1", "fonts-wine"):
        check(needed in names, "the package does not depend on %s: %s" % (needed, depends))
    check(os.path.realpath("/usr/bin/brenvik-timer") == os.path.join(INSTALLED, "brenvik-timer"),
          "/usr/bin/brenvik-timer does not lead to the program")
    for name in ("Timer.msk", "törö.wav", "brenvik-audio.so", "brenvik-wake"):
        check(os.path.exists(os.path.join(INSTALLED, name)), "%s not installed" % name)
    for path in ("/usr/share/man/man1/brenvik-timer.1.gz",
                 "/usr/share/metainfo/example.brenvik.timer.metainfo.xml",
                 "/usr/share/doc/brenvik-timer/copyright", "/usr/share/doc/brenvik-timer/changelog.gz"):
        check(os.path.exists(path), "%s not installed" % path)
    entry = desktop_entry("/usr/share/applications/brenvik-timer.desktop")
    main_entry = entry.get("Desktop Entry", {})
    for key, value in (("Exec", "%s/brenvik-timer" % INSTALLED), ("StartupNotify", "true"),
                       ("Icon", "brenvik-timer"), ("Actions", "alarm-in-5;alarm-aus;")):
        check(main_entry.get(key) == value, "the menu entry's %s is %r, not %r"
              % (key, main_entry.get(key), value))
    actions = {}
    for action, name, args in (("alarm-in-5", "Alarm in 5 Minuten", ["--in", "5"]),
                               ("alarm-aus", "Alarm aus", ["--aus"])):
        group = entry.get("Desktop Action " + action, {})
        check(group.get("Name") == name, "action %s is named %r" % (action, group.get("Name")))
        actions[action] = exec_args(group.get("Exec", ""))
        check(actions[action] == ["%s/brenvik-timer" % INSTALLED] + args,
              "action %s runs %r" % (action, actions[action]))
    for size in (16, 32, 48, 64, 128, 256):
        check(os.path.exists("/usr/share/icons/hicolor/%dx%d/apps/brenvik-timer.png" % (size, size)),
              "no %d px icon" % size)
    getcap = subprocess.run(["getcap", os.path.join(INSTALLED, "brenvik-wake")],
                            capture_output=True, text=True).stdout
    check("cap_wake_alarm=ep" in getcap, "the helper lacks cap_wake_alarm: %r" % getcap)
    files = subprocess.run(["dpkg", "-L", "brenvik-timer"], capture_output=True, text=True,
                           check=True).stdout.split("\n")
    for path in files:
        if os.path.isfile(path) and not path.endswith("/brenvik-wake"):
            mode = os.stat(path).st_mode
            check(not mode & 0o6000, "%s is set-user-id or set-group-id" % path)
            has = subprocess.run(["getcap", path], capture_output=True, text=True).stdout.strip()
            check(not has, "%s carries a capability: %s" % (path, has))

    # A desktop of the system's font folders alone: the face only the program provides.
    desk = UserDesktop(program, fake_time="2026-12-10 07:59:30")
    conf = os.path.join(desk.tmp, "fonts.conf")
    with open(conf, "w") as f:
        f.write(SYSTEM_FONTS_CONF % os.path.join(desk.home, ".cache", "fontconfig"))
    os.chmod(conf, 0o644)
    desk.extra_env["FONTCONFIG_FILE"] = conf
    launched = exec_args(main_entry["Exec"])
    desk.program_path, desk.args = launched[0], launched[1:]
    try:
        desk.start_x()
        desk.start_program()
        wid, top = main_window(desk)
        with open("/proc/%d/maps" % desk.program.pid) as f:
            mapped = f.read()
        check("/usr/share/wine/fonts/tahoma.ttf" in mapped,
              "the program draws without fonts-wine's Tahoma where fontconfig does not list it")

        for action, expected in (("alarm-in-5", ARMED), ("alarm-aus", TITLE)):
            status, output = desk.second_start(actions[action])
            check(status == 0 and not output, "action %s: status %d, %r" % (action, status, output))
            wait_for("the title after the action %s" % action,
                     lambda: desk.icon_name(wid) == expected, timeout=10)

        status, output = desk.second_start(["/usr/bin/brenvik-timer", "--in", "1"])
        check(status == 0 and not output, "--in 1: status %d, %r" % (status, output))
        try:
            wait_for("the armed title", lambda: desk.icon_name(wid) == ARMED, timeout=10)
        except Failure:
            raise Failure("\"--in 1\" did not arm the alarm: the command line --in MINUTEN is "
                          "missing or broken")
        box = wait_for("the alarm message", lambda: desk.window_titled("Information"), timeout=90)
        text = desk.clipboard_text_of(box)
        check("Alarmzeit erreicht" in text, "message box reads %r" % text)
        desk.key(box, "Return")
        wait_for("the disarmed title", lambda: desk.icon_name(wid) == TITLE, timeout=15)

        # "&Optionen", "über &Soundkarte", OK: the user's own Timer.ini.
        desk.key(wid, "alt+o")
        dialog = secondary_window(desk, wid, OPTIONS_CLIENT)
        gx, gy, _, _ = desk.geometry(dialog)
        test_button = (gx + 7 + 201 + 4, gy + 7 + 129 + 4, 48, 14)
        desk.click(dialog, 7 + 13 + 5, 7 + 76 + 8)  # "über &Soundkarte"
        wait_for("the file controls", lambda: has_ink(desk.screenshot(test_button)), timeout=5)
        desk.key(dialog, "alt+o")
        gone(desk, dialog, "Alt+O")
        saved_path = desk.user_settings()
        try:
            wait_for("the user's Timer.ini", lambda: os.path.exists(saved_path), timeout=5)
        except Failure:
            raise Failure("OK in the options wrote no %s: per-user settings are missing"
                          % saved_path)
        with open(saved_path, encoding="utf-8") as f:
            saved = f.read().replace("\r\n", "\n").split("\n")
        check("Soundkarte=1" in saved, "the user's Timer.ini lacks Soundkarte=1: %r" % saved)
        check(os.stat(saved_path).st_uid == desk.uid, "the user's Timer.ini is not the user's")
        check(not os.path.exists(os.path.join(INSTALLED, "Timer.ini")),
              "a Timer.ini appeared in the program's folder")
        desk.key(wid, "alt+e")
        check(desk.exited() == 0, "program did not end with 0 after \"&Ende\"")
        check(desk.output() == "", "program printed: %r" % desk.output())
    finally:
        desk.close()

    # Removed: nothing of it is left, and no complaint. Then installed again, so
    # the machine keeps a working program.
    try:
        removed = apt_get("remove", "brenvik-timer")
        check(removed.returncode == 0, "apt-get remove failed: %s" % removed.stderr)
        complaints = [line for line in (removed.stdout + removed.stderr).splitlines()
                      if re.search(r"warning|error|not empty", line, re.I)]
        check(not complaints, "removing the package: %r" % complaints)
        check(package_status() == "not-installed",
              "after removing, the package is %r, not gone" % package_status())
        left = [path for path in files
                if path and os.path.lexists(path) and not os.path.isdir(path)]
        check(not left, "files left after removing the package: %r" % left)
        check(not os.path.exists(INSTALLED), "%s left after removing the package" % INSTALLED)
    finally:
        installed = apt_get("install", "--no-install-recommends", debs[0])
        check(installed.returncode == 0, "installing %s again failed: %s"
              % (debs[0], installed.stderr))
    getcap = subprocess.run(["getcap", os.path.join(INSTALLED, "brenvik-wake")],
                            capture_output=True, text=True).stdout
    check("cap_wake_alarm=ep" in getcap, "installed again, the helper lacks cap_wake_alarm")


def scenario_wake(program):
    """Arming an alarm an hour ahead sets the helper's timer on the alarm
    clock; disarming and ending the program end the helper."""
    if os.geteuid() != 0:
        raise Skip("needs root: setcap gives the helper its capability")
    if not capabilities_of(os.getpid(), "CapBnd")[0] & CAP_WAKE_ALARM:
        raise Skip("CAP_WAKE_ALARM is not in the bounding set (a container without it): "
                   "no file can be given it")
    alarm = int(time.time()) + 3600
    hour, minute, second = time.localtime(alarm)[3:6]
    desk = UserDesktop(program, copy=True, settings=settings(hour, minute, second, "Aufwachen"))
    try:
        helper = os.path.join(desk.folder, "brenvik-wake")
        check(os.path.exists(helper), "no brenvik-wake beside the program")
        setcap = subprocess.run(["setcap", "cap_wake_alarm=ep", helper], capture_output=True,
                                text=True)
        if setcap.returncode != 0:
            raise Skip("setcap failed (libcap2-bin missing, or no file capabilities on this file "
                       "system): %s" % setcap.stderr.strip())
        desk.start_x()
        desk.start_program()
        wid, top = main_window(desk)
        check(children(desk.program.pid, "brenvik-wake") == [], "a helper runs while disarmed")
        toggle(desk, wid, top)
        wait_for("the armed title", lambda: desk.icon_name(wid) == ARMED, timeout=15)
        pid = wait_for("the helper", lambda: children(desk.program.pid, "brenvik-wake"),
                       timeout=10)[0]
        timer = wait_for("the helper's timer", lambda: timer_of(pid), timeout=10)
        left = alarm - time.time()
        check(timer[0] == CLOCK_REALTIME_ALARM, "the timer's clock is %d, not 8" % timer[0])
        check(abs(timer[1] - left) <= 2, "the timer runs out in %.1f s, the alarm in %.1f s"
              % (timer[1], left))
        permitted, effective = capabilities_of(pid)
        check(not (permitted | effective) & ~CAP_WAKE_ALARM,
              "the helper holds more than cap_wake_alarm: %x/%x" % (permitted, effective))
        print("helper %d: clockid %d, %.1f s left for an alarm in %.1f s, CapPrm %x, CapEff %x"
              % (pid, timer[0], timer[1], left, permitted, effective))

        toggle(desk, wid, top)
        wait_for("the disarmed title", lambda: desk.icon_name(wid) == TITLE, timeout=15)
        wait_for("the helper to end on disarming", lambda: not alive(pid), timeout=5)
        check(children(desk.program.pid, "brenvik-wake") == [], "a helper runs after disarming")

        # Armed again and the program ended: no helper is left behind.
        toggle(desk, wid, top)
        wait_for("the armed title", lambda: desk.icon_name(wid) == ARMED, timeout=15)
        pid = wait_for("the helper", lambda: children(desk.program.pid, "brenvik-wake"),
                       timeout=10)[0]
        desk.key(wid, "alt+e")
        box = wait_for("the close question", lambda: desk.window_titled("Beenden..."), timeout=15)
        desk.key(box, "Return")
        check(desk.exited() == 0, "program did not end with 0")
        wait_for("the helper to end with the program", lambda: not alive(pid), timeout=5)
        check(desk.output() == "", "program printed: %r" % desk.output())
    finally:
        desk.close()


def clocks_on(desk):
    out = desk.x("xdotool", "search", "--onlyvisible", "--name", "^%s$" % TITLE)
    return [int(w) for w in out.split()]


def without_qt_runtime_warning(text):
    """Qt itself looks into /tmp/runtime-<user> and says it refuses a folder
    of another user's; the program uses a folder of its own choice."""
    return "".join(line for line in text.splitlines(keepends=True)
                   if not line.startswith("brenvik-timer: QStandardPaths: runtime directory"))


def scenario_runtime_folder(program):
    """Without XDG_RUNTIME_DIR, and with another user's /tmp/runtime-<user>
    and his sockets where the clock's socket used to go: the clock runs with
    its socket in a folder of the user's alone, made 0700, a second start
    reaches it and nothing reaches the stranger. A folder the stranger made in
    that place first is refused with a German message; the clock still runs."""
    user = ensure_user()
    uid = user.pw_uid
    if os.path.exists("/run/user/%d" % uid):
        raise Skip("/run/user/%d exists: the user's clocks meet there" % uid)
    own = "/tmp/brenvik-timer-%d" % uid
    foreign_runtime = "/tmp/runtime-%s" % USER
    traps = []
    listeners = []

    def clean():
        for listener in listeners:
            listener.close()
        for path in traps:
            if os.path.lexists(path):
                os.unlink(path)
        for path in (own, foreign_runtime):
            if os.path.islink(path):
                os.unlink(path)
            shutil.rmtree(path, ignore_errors=True)

    clean()
    os.mkdir(foreign_runtime)
    os.chmod(foreign_runtime, 0o777)
    os.chown(foreign_runtime, 65534, 65534)
    desk = UserDesktop(program, copy=True, runtime_dir=False)
    try:
        desk.start_x()
        display = desk.env["DISPLAY"]
        name = "brenvik-timer-%d-%s" % (uid, display)
        traps.extend([os.path.join(foreign_runtime, name), os.path.join("/tmp", name)])
        for path in traps:
            listener = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
            listener.bind(path)
            os.chmod(path, 0o777)
            listener.listen(8)
            listener.setblocking(False)
            listeners.append(listener)

        desk.start_program()
        wid, _ = main_window(desk)
        path = os.path.join(own, name)
        wait_for("the socket " + path, lambda: os.path.exists(path), timeout=15)
        info = os.lstat(own)
        check(stat.S_ISDIR(info.st_mode) and info.st_uid == uid
              and stat.S_IMODE(info.st_mode) == 0o700, "%s is not the user's alone" % own)
        status, out, err = desk.run_as_user("--in", "5", "--meldung", "Nur für mich")
        check((status, out, without_qt_runtime_warning(err)) == (0, "", ""),
              "the second start: %r" % ((status, out, err),))
        wait_for("the armed title", lambda: desk.icon_name(wid) == ARMED, timeout=15)
        check(clocks_on(desk) == [wid], "more than one clock: %r" % clocks_on(desk))
        for listener, trap in zip(listeners, traps):
            try:
                listener.accept()
                raise Failure("the stranger's socket %s was reached" % trap)
            except BlockingIOError:
                pass
        check(without_qt_runtime_warning(desk.output()) == "", "program printed: %r" % desk.output())
        desk.program.kill()
        desk.program.wait()

        # The stranger made the folder first.
        shutil.rmtree(own)
        os.mkdir(own, 0o700)
        os.chown(own, 65534, 65534)
        desk.start_program()
        wid, _ = main_window(desk)
        expected = ("brenvik-timer: Der Ordner %s gehört einem anderen Benutzer. Dieser Wecker "
                    "läuft für sich; ein weiterer Start findet ihn nicht.\n" % own)
        check(without_qt_runtime_warning(desk.output()) == expected,
              "program printed: %r" % desk.output())
        check(os.listdir(own) == [], "the clock used the stranger's folder: %r" % os.listdir(own))
        desk.program.kill()
        desk.program.wait()
    finally:
        desk.close()
        clean()


SCENARIOS = {"package": scenario_package, "wake": scenario_wake,
             "runtime-folder": scenario_runtime_folder}


def main():
    if len(sys.argv) < 3 or sys.argv[2] not in SCENARIOS \
            or len(sys.argv) != (4 if sys.argv[2] == "package" else 3):
        print("usage: brenvik_user_e2e.py PROGRAM package BUILD\n"
              "       brenvik_user_e2e.py PROGRAM wake", file=sys.stderr)
        return 2
    missing = absent_tools("xclip", "import", "xmessage", "setcap", "getcap", faketime=True)
    if missing:
        return missing_tools(missing)
    if os.geteuid() != 0:
        return cannot_run("needs root to start the program as the user %s" % USER)
    try:
        return outcome(sys.argv[2], lambda: SCENARIOS[sys.argv[2]](*sys.argv[1:2], *sys.argv[3:]))
    except Skip as why:
        return cannot_run(str(why))


if __name__ == "__main__":
    sys.exit(main())
