"""A notification area for the end-to-end runs: the StatusNotifierWatcher of a session, with
a host registered, as a desktop panel (KDE Plasma, waybar, swaybar) provides them.

It prints each item that registers ("registered SERVICE"), one line each, and runs until it
is ended. The run then talks to the item as a panel does (see sni.py).

With --watcher-only it is the watcher alone, as KDE's kded or a standalone watcher is: the
panels are the hosts that register with it, and it follows them leaving ("host SERVICE",
"host gone SERVICE"), so that a panel can quit while the watcher stays. With --host-only it is such a panel: a
host that registers with the watcher there is ("hosting") and runs until it is ended.

    python3 sni_host.py [--watcher-only | --host-only]
"""

import os
import sys

from gi.repository import Gio, GLib

WATCHER = "org.kde.StatusNotifierWatcher"
XML = """
<node>
  <interface name="org.kde.StatusNotifierWatcher">
    <method name="RegisterStatusNotifierItem"><arg name="service" type="s" direction="in"/></method>
    <method name="RegisterStatusNotifierHost"><arg name="service" type="s" direction="in"/></method>
    <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
    <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
    <property name="ProtocolVersion" type="i" access="read"/>
    <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
    <signal name="StatusNotifierItemUnregistered"><arg type="s"/></signal>
    <signal name="StatusNotifierHostRegistered"/>
    <signal name="StatusNotifierHostUnregistered"/>
  </interface>
</node>
"""


class Watcher:
    def __init__(self, bus, own_host):
        self.bus = bus
        self.own_host = own_host
        self.items = []
        self.hosts = {}  # service: its name watch

    def emit(self, signal, args=None):
        self.bus.emit_signal(None, "/StatusNotifierWatcher", WATCHER, signal, args)

    def on_call(self, conn, sender, path, iface, method, params, invocation):
        service = params.unpack()[0]
        # A service may be given as an object path instead of a bus name; the sender is the name.
        name = sender if service.startswith("/") else service
        if method == "RegisterStatusNotifierItem" and name not in self.items:
            self.items.append(name)
            print(f"registered {name}", flush=True)
            self.watch(name, lambda: self.item_gone(name))
            self.emit("StatusNotifierItemRegistered", GLib.Variant("(s)", (name,)))
        elif method == "RegisterStatusNotifierHost" and name not in self.hosts:
            self.hosts[name] = self.watch(name, lambda: self.host_gone(name))
            print(f"host {name}", flush=True)
            self.emit("StatusNotifierHostRegistered")
        invocation.return_value(None)

    def watch(self, name, gone):
        return Gio.bus_watch_name_on_connection(self.bus, name, Gio.BusNameWatcherFlags.NONE,
                                                None, lambda *a: gone())

    def item_gone(self, name):
        if name in self.items:
            self.items.remove(name)
            self.emit("StatusNotifierItemUnregistered", GLib.Variant("(s)", (name,)))

    def host_gone(self, name):
        if name in self.hosts:
            Gio.bus_unwatch_name(self.hosts.pop(name))
            print(f"host gone {name}", flush=True)
            self.emit("StatusNotifierHostUnregistered")

    def on_get(self, conn, sender, path, iface, prop):
        return {"RegisteredStatusNotifierItems": GLib.Variant("as", self.items),
                "IsStatusNotifierHostRegistered": GLib.Variant("b",
                                                               self.own_host or bool(self.hosts)),
                "ProtocolVersion": GLib.Variant("i", 0)}[prop]


def host(bus):
    name = f"org.kde.StatusNotifierHost-{os.getpid()}"
    Gio.bus_own_name_on_connection(bus, name, Gio.BusNameOwnerFlags.NONE, None, None)
    bus.call_sync(WATCHER, "/StatusNotifierWatcher", WATCHER, "RegisterStatusNotifierHost",
                  GLib.Variant("(s)", (name,)), None, Gio.DBusCallFlags.NONE, 10000)
    print("hosting", flush=True)
    GLib.MainLoop().run()
    return 1


def main(argv):
    bus = Gio.bus_get_sync(Gio.BusType.SESSION)
    if "--host-only" in argv:
        return host(bus)
    watcher = Watcher(bus, own_host="--watcher-only" not in argv)
    node = Gio.DBusNodeInfo.new_for_xml(XML)
    bus.register_object("/StatusNotifierWatcher", node.interfaces[0], watcher.on_call,
                        watcher.on_get, None)
    loop = GLib.MainLoop()
    Gio.bus_own_name_on_connection(bus, WATCHER, Gio.BusNameOwnerFlags.NONE,
                                   lambda *a: print("watching", flush=True),
                                   lambda *a: (print("the watcher's name is taken", file=sys.stderr),
                                               loop.quit()))
    loop.run()
    return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
