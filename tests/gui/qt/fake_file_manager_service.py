#!/usr/bin/python3
# A stand-in for the desktop's file manager on a private session bus: owns
# org.freedesktop.FileManager1, writes the items of each ShowItems call as one
# JSON line into LOG, and touches READY once it owns the name.
import json
import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

IFACE = "org.freedesktop.FileManager1"


class Service(dbus.service.Object):
    def __init__(self, bus, log):
        super().__init__(bus, "/org/freedesktop/FileManager1")
        self.log = log

    @dbus.service.method(IFACE, in_signature="ass", out_signature="")
    def ShowItems(self, uris, startup_id):
        with open(self.log, "a") as out:
            out.write(json.dumps({"items": [str(u) for u in uris], "startup": str(startup_id)}) + "\n")


def main():
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    name = dbus.service.BusName(IFACE, bus)  # noqa: F841 (kept for the name's life)
    Service(bus, sys.argv[1])
    open(sys.argv[2], "w").close()
    GLib.MainLoop().run()


if __name__ == "__main__":
    main()
