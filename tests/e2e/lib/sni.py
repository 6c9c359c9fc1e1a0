"""Talks to the program's StatusNotifierItem as a panel does, over the session bus: reads the
icon's properties, reads the menu the panel draws (com.canonical.dbusmenu) and clicks its
entries, or clicks the icon itself (Activate, ContextMenu)."""

from gi.repository import Gio, GLib

ITEM = "org.kde.StatusNotifierItem"
MENU = "com.canonical.dbusmenu"


def _bus():
    return Gio.bus_get_sync(Gio.BusType.SESSION)


def _call(service, path, iface, method, args=None, reply=None):
    return _bus().call_sync(service, path, iface, method, args,
                            GLib.VariantType(reply) if reply else None,
                            Gio.DBusCallFlags.NONE, 10000).unpack()


def properties(service):
    """The item's properties, as Python values."""
    return _call(service, "/StatusNotifierItem", "org.freedesktop.DBus.Properties", "GetAll",
                 GLib.Variant("(s)", (ITEM,)), "(a{sv})")[0]


def layout(service, parent=0, depth=-1, names=()):
    """GetLayout: (id, properties, children), each child the same."""
    path = properties(service)["Menu"]
    return _call(service, path, MENU, "GetLayout",
                 GLib.Variant("(iias)", (parent, depth, list(names))), "(u(ia{sv}av))")[1]


def menu(service):
    """The entries of the item's menu, in order: (id, properties); a separator's properties
    hold type "separator"."""
    return [(child[0], child[1]) for child in layout(service)[2]]


def group_properties(service, ids, names=()):
    """GetGroupProperties: {id: properties}."""
    path = properties(service)["Menu"]
    return dict(_call(service, path, MENU, "GetGroupProperties",
                      GLib.Variant("(aias)", (ids, list(names))), "(a(ia{sv}))")[0])


def event_group(service, ids, event="clicked"):
    """EventGroup of one event per id: the ids the menu does not know."""
    path = properties(service)["Menu"]
    events = [(i, event, GLib.Variant("i", 0), 0) for i in ids]
    return _call(service, path, MENU, "EventGroup", GLib.Variant("(a(isvu))", (events,)),
                 "(ai)")[0]


def error_of(call):
    """The D-Bus error name a call gives, or None if it succeeds."""
    try:
        call()
    except GLib.Error as e:
        return Gio.DBusError.get_remote_error(e)
    return None


def choose(service, label, group=False):
    """Clicks the menu entry of that label, as a panel that draws the menu does: KDE Plasma's
    with Event, libdbusmenu's (waybar's) with AboutToShowGroup and EventGroup (group)."""
    path = properties(service)["Menu"]
    ids = [i for i, p in menu(service) if p.get("label") == label]
    if not ids:
        raise LookupError(f"no entry {label!r} in {[p.get('label') for _, p in menu(service)]}")
    if not group:
        _call(service, path, MENU, "Event",
              GLib.Variant("(isvu)", (ids[0], "clicked", GLib.Variant("i", 0), 0)))
        return
    _call(service, path, MENU, "AboutToShowGroup", GLib.Variant("(ai)", ([0],)), "(aiai)")
    unknown = event_group(service, ids[:1])
    if unknown:
        raise LookupError(f"the menu knows no entry {unknown}")


def click(service, method="Activate"):
    """Clicks the icon, as a panel that leaves the menu to the item does (swaybar:
    ContextMenu)."""
    _call(service, "/StatusNotifierItem", ITEM, method, GLib.Variant("(ii)", (0, 0)))


def has_owner(service):
    return _call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                 "NameHasOwner", GLib.Variant("(s)", (service,)), "(b)")[0]
