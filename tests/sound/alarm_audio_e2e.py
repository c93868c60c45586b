#!/usr/bin/env python3
"""The real alarm sounds: the program under Xvfb (the end-to-end harness of
tests/e2e) with speaker mode and sound-card mode set, a private PulseAudio
server with a null sink, and a recording of the sink's monitor from arming to
confirming the message. The melody "Tonleiter" from the Timer.msk beside the
program must sound first, then the default wave file while the message is open.

    alarm_audio_e2e.py PROGRAM SERVER

SERVER is the sound server to start: pulseaudio.

Exit 77 (skipped) when tools or an audio server are missing, except with CI=true.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(here, "..", "e2e"))
import brenvik_e2e as e2e  # noqa: E402

RATE = 16000
SETTINGS = ("[Sound]\r\nOhne=0\r\nSpeaker=1\r\nSoundkarte=1\r\nSong=Tonleiter\r\nFile=törö.wav\r\n"
            "[Meldung]\r\nAlarmMeldung=Aufstehen!\r\nStunde=8\r\nMinute=0\r\nSekunde=0\r\n")


def start_pulse(work):
    env = dict(os.environ, XDG_RUNTIME_DIR=work, HOME=work)
    env.pop("PULSE_SERVER", None)
    # As root PulseAudio only warns. Anonymous access, because the program
    # runs with another HOME and so another cookie.
    server = subprocess.Popen(
        ["pulseaudio", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit", "-n",
         "--use-pid-file=no", "--load=module-null-sink sink_name=nullsink",
         "--load=module-native-protocol-unix auth-anonymous=1",
         "--log-target=file:" + os.path.join(work, "pulse.log")],
        env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, preexec_fn=e2e._die_with_parent)
    os.environ["PULSE_SERVER"] = "unix:" + os.path.join(work, "pulse", "native")
    deadline = time.monotonic() + 5
    while time.monotonic() < deadline:
        if subprocess.run(["pactl", "info"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode == 0:
            subprocess.run(["pactl", "set-default-sink", "nullsink"], check=False)
            return server
        time.sleep(0.1)
    server.terminate()
    return None


def main():
    if len(sys.argv) != 3 or sys.argv[2] != "pulseaudio":
        print("usage: alarm_audio_e2e.py PROGRAM pulseaudio", file=sys.stderr)
        return 2
    missing = [t for t in ("pulseaudio", "pactl", "parec", "Xvfb", "openbox", "xdotool", "xprop", "xclip")
               if not shutil.which(t)]
    if missing or not os.path.exists(e2e.FAKETIME_LIBRARY):
        return e2e.cannot_run("missing " + " ".join(missing or ["libfaketime"]))
    work = tempfile.mkdtemp(prefix="brenvik-audio-")
    os.chmod(work, 0o700)
    server = start_pulse(work)
    if server is None:
        shutil.rmtree(work, ignore_errors=True)
        return e2e.cannot_run("no PulseAudio server could be started")
    raw = os.path.join(work, "alarm.raw")
    desk = e2e.Desktop(sys.argv[1], settings=SETTINGS, fake_time="2026-12-10 07:59:40")  # time to arm on a loaded machine
    recorder = None
    try:
        desk.start_x()
        with open(raw, "wb") as out:
            recorder = subprocess.Popen(
                ["parec", "-d", "nullsink.monitor", "--latency-msec=20", "--format=s16le",
                 "--rate=%d" % RATE, "--channels=1"], stdout=out, preexec_fn=e2e._die_with_parent)
        desk.start_program()
        wid, top = e2e.main_window(desk)
        desk.click(wid, 96 + 80, top + 152 + 12)
        e2e.wait_for("the armed title", lambda: desk.icon_name(wid) == e2e.ARMED, timeout=5)
        box = e2e.wait_for("the alarm message", lambda: desk.window_titled("Information"), timeout=40)
        time.sleep(2.5)  # the wave file plays while the message is open
        desk.key(box, "Return")
        e2e.wait_for("the disarmed title", lambda: desk.icon_name(wid) == e2e.TITLE, timeout=5)
        e2e.check(desk.output() == "", "program printed: %r" % desk.output())
    except (e2e.Failure, subprocess.SubprocessError, OSError) as failure:
        print("FAIL: %s: %s" % (type(failure).__name__, failure))
        return 1
    finally:
        if recorder:
            recorder.terminate()
            recorder.wait()
        desk.close()
        server.terminate()
        server.wait()
    # The scale, then the wave's two notes; the default preset (932 Hz) means
    # the melody was not found.
    rc = subprocess.run([sys.executable, os.path.join(here, "tones.py"), raw, str(RATE),
                         "261,293,329,349,392,587,784", "932"]).returncode
    shutil.rmtree(work, ignore_errors=True)
    return rc


if __name__ == "__main__":
    sys.exit(main())
