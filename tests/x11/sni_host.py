#!/usr/bin/python3
"""A tray host over D-Bus, as KDE Plasma's or GNOME's AppIndicator panel is:
registers itself with the StatusNotifierWatcher on the session bus, waits for
an item to register, prints "registered SERVICE", then asks the item to
activate, as a click on its icon does, and prints "activated".

Usage: sni_host.py [SECONDS]"""
import os
import sys
import time

from gi.repository import Gio, GLib

WATCHER = "org.kde.StatusNotifierWatcher"
WATCHER_PATH = "/StatusNotifierWatcher"


def call(bus, name, path, interface, method, args):
    return bus.call_sync(name, path, interface, method, args, None, Gio.DBusCallFlags.NONE, 2000, None)


def items(bus):
    reply = call(bus, WATCHER, WATCHER_PATH, "org.freedesktop.DBus.Properties", "Get",
                 GLib.Variant("(ss)", (WATCHER, "RegisteredStatusNotifierItems")))
    return reply.unpack()[0]


def main():
    deadline = time.monotonic() + (float(sys.argv[1]) if len(sys.argv) > 1 else 10)
    bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    host = "org.kde.StatusNotifierHost-%d" % os.getpid()
    call(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "RequestName",
         GLib.Variant("(su)", (host, 0)))
    while True:
        try:
            call(bus, WATCHER, WATCHER_PATH, WATCHER, "RegisterStatusNotifierHost", GLib.Variant("(s)", (host,)))
            break
        except GLib.Error:
            if time.monotonic() > deadline:
                return 1
            time.sleep(0.05)  # the watcher is not on the bus yet
    print("host", host, flush=True)
    while not items(bus):
        if time.monotonic() > deadline:
            return 1
        time.sleep(0.05)
    item = items(bus)[0]
    service, _, path = item.partition("/")
    print("registered", item, flush=True)
    call(bus, service, "/" + path if path else "/StatusNotifierItem", "org.kde.StatusNotifierItem", "Activate",
         GLib.Variant("(ii)", (700, 10)))
    print("activated", flush=True)
    # Stays, as a panel does: an item whose host went away may hide its icon.
    while time.monotonic() < deadline + 60:
        time.sleep(0.5)
    return 0


if __name__ == "__main__":
    sys.exit(main())
