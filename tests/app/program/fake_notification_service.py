#!/usr/bin/python3
# A stand-in for the desktop's notification service on a private session bus:
# owns org.freedesktop.Notifications, writes each Notify call as one JSON line
# into LOG, and touches READY once it owns the name.
import json
import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

IFACE = "org.freedesktop.Notifications"


class Service(dbus.service.Object):
    def __init__(self, bus, log):
        super().__init__(bus, "/org/freedesktop/Notifications")
        self.log = log
        self.next_id = 1

    @dbus.service.method(IFACE, in_signature="susssasa{sv}i", out_signature="u")
    def Notify(self, app, replaces, icon, summary, body, actions, hints, timeout):
        entry = {"app": str(app), "icon": str(icon), "summary": str(summary), "body": str(body),
                 "timeout": int(timeout), "hints": {str(k): str(v) for k, v in hints.items()}}
        with open(self.log, "a") as out:
            out.write(json.dumps(entry) + "\n")
        self.next_id += 1
        return self.next_id - 1

    @dbus.service.method(IFACE, out_signature="as")
    def GetCapabilities(self):
        return ["body", "body-markup"]

    @dbus.service.method(IFACE, out_signature="ssss")
    def GetServerInformation(self):
        return ("test", "quorin-tests", "1", "1.2")


def main():
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    name = dbus.service.BusName(IFACE, bus)  # noqa: F841 (kept for the name's life)
    Service(bus, sys.argv[1])
    open(sys.argv[2], "w").close()
    GLib.MainLoop().run()


if __name__ == "__main__":
    main()
