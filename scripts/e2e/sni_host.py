"""A notification area for the end-to-end runs: the StatusNotifierWatcher of a session, with
a host registered, as a desktop panel (KDE Plasma, waybar, swaybar) provides them.

It prints each item that registers ("registered SERVICE"), one line each, and runs until it
is ended. The run then talks to the item as a panel does (see sni.py).

    python3 sni_host.py
"""

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
  </interface>
</node>
"""
items = []


def on_call(conn, sender, path, iface, method, params, invocation):
    if method == "RegisterStatusNotifierItem":
        service = params.unpack()[0]
        # An item may name its object path instead of its bus name; the sender is the name.
        name = sender if service.startswith("/") else service
        if name not in items:
            items.append(name)
            print(f"registered {name}", flush=True)
            conn.emit_signal(None, path, WATCHER, "StatusNotifierItemRegistered",
                             GLib.Variant("(s)", (name,)))
    invocation.return_value(None)


def on_get(conn, sender, path, iface, prop):
    return {"RegisteredStatusNotifierItems": GLib.Variant("as", items),
            "IsStatusNotifierHostRegistered": GLib.Variant("b", True),
            "ProtocolVersion": GLib.Variant("i", 0)}[prop]


def main():
    bus = Gio.bus_get_sync(Gio.BusType.SESSION)
    node = Gio.DBusNodeInfo.new_for_xml(XML)
    bus.register_object("/StatusNotifierWatcher", node.interfaces[0], on_call, on_get, None)
    loop = GLib.MainLoop()
    Gio.bus_own_name_on_connection(bus, WATCHER, Gio.BusNameOwnerFlags.NONE,
                                   lambda *a: print("watching", flush=True),
                                   lambda *a: (print("the watcher's name is taken", file=sys.stderr),
                                               loop.quit()))
    loop.run()
    return 1


if __name__ == "__main__":
    sys.exit(main())
