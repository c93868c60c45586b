#!/usr/bin/env python3
"""A freedesktop notification service that records its calls.

    fake_notifications.py LOGFILE

Owns org.freedesktop.Notifications on the session bus named by
DBUS_SESSION_BUS_ADDRESS, writes one JSON line per call to LOGFILE and prints
"ready" once the name is owned.
"""

import json
import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

NAME = "org.freedesktop.Notifications"
NUMBER = 42


class Notifications(dbus.service.Object):
    def __init__(self, bus, log):
        super().__init__(bus, "/org/freedesktop/Notifications")
        self.log = log

    def record(self, **call):
        self.log.write(json.dumps(call) + "\n")
        self.log.flush()

    @dbus.service.method(NAME, in_signature="susssasa{sv}i", out_signature="u")
    def Notify(self, app, replaces, icon, summary, body, actions, hints, timeout):
        urgency = hints.get("urgency")
        self.record(call="Notify", app=str(app), replaces=int(replaces), summary=str(summary),
                    body=str(body), actions=[str(a) for a in actions],
                    urgency=None if urgency is None else int(urgency),
                    urgency_is_byte=isinstance(urgency, dbus.Byte), timeout=int(timeout))
        return dbus.UInt32(NUMBER)

    @dbus.service.method(NAME, in_signature="u", out_signature="")
    def CloseNotification(self, number):
        self.record(call="CloseNotification", id=int(number))

    @dbus.service.method(NAME, in_signature="", out_signature="as")
    def GetCapabilities(self):
        return ["body"]

    @dbus.service.method(NAME, in_signature="", out_signature="ssss")
    def GetServerInformation(self):
        return ["fake", "test", "1", "1.2"]


def main():
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    with open(sys.argv[1], "a", encoding="utf-8") as log:
        name = dbus.service.BusName(NAME, bus)  # noqa: F841 (kept while running)
        Notifications(bus, log)
        print("ready", flush=True)
        GLib.MainLoop().run()


if __name__ == "__main__":
    main()
