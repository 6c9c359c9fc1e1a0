"""Drives the real program through the accessibility bus (AT-SPI) for the end-to-end runs.

Every wait polls a condition with a bound and raises Timeout saying what was awaited; nothing
sleeps a fixed time. Controls are found by role and accessible name, pressed through their
Action interface, text is set through EditableText. Run under x-session.sh, which
starts the private session and accessibility buses this module talks to. Above poll.py,
sway.py and virtual_pointer.py; below glimmer.py and waybar.py.

    python3 atspi.py dump [APP]     prints the program's tree of controls (for failures)
"""

import os
import re
import subprocess
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, Gio, GLib  # noqa: E402
import pyatspi  # noqa: E402

import sway  # noqa: E402
import virtual_pointer  # noqa: E402
# The runs wait through atspi.wait and catch atspi.Timeout.
from poll import Timeout, wait  # noqa: E402,F401

APP = "Glimmer"
# A busy program (decoding, a modal dialog starting) must not make a call fail at once.
Atspi.set_timeout(10000, 30000)


def _fresh(acc):
    """Drops what the client library cached below acc, so a poll sees the program's state."""
    try:
        acc.clear_cache()
    except Exception:
        pass
    return acc


def app(name=APP, timeout=20, pid=None):
    """The application of that accessible name once it is on the bus.

    pid (default: $GLIMMER_APP_PID, which x-session.sh's atspi_py sets to the program it
    started last) picks that process's, not one that ended a moment ago and is still
    listed."""
    if pid is None and os.environ.get("GLIMMER_APP_PID"):
        pid = int(os.environ["GLIMMER_APP_PID"])

    def look():
        desktop = pyatspi.Registry.getDesktop(0)
        _fresh(desktop)
        for i in range(desktop.childCount):
            a = desktop.getChildAtIndex(i)
            if a is not None and a.name == name and (pid is None
                                                     or a.get_process_id() == pid):
                a.set_cache_mask(Atspi.Cache.NONE)
                return a
        return None
    return wait(look, timeout, f"the application {name!r}"
                + (f" of process {pid}" if pid else "") + " on the accessibility bus")


def no_app(name=APP, timeout=15):
    """Waits until no application of that name is on the bus any more."""
    def gone():
        desktop = pyatspi.Registry.getDesktop(0)
        _fresh(desktop)
        return all(desktop.getChildAtIndex(i) is None or desktop.getChildAtIndex(i).name != name
                   for i in range(desktop.childCount))
    wait(gone, timeout, f"the application {name!r} leaving the accessibility bus")


def role_of(acc):
    """The role's name as AT-SPI spells it: "push button", "list item", "dialog", ..."""
    return acc.getRoleName()


def _matches(value, want):
    if want is None:
        return True
    if callable(want):
        return bool(want(value))
    if isinstance(want, re.Pattern):
        return want.fullmatch(value or "") is not None
    return value == want


def showing(acc):
    """Whether acc is on screen (STATE_SHOWING)."""
    return acc.getState().contains(pyatspi.STATE_SHOWING)


def children(acc):
    """The children of acc, skipping ones that vanished."""
    out = []
    for i in range(acc.childCount):
        c = acc.getChildAtIndex(i)
        if c is not None:
            out.append(c)
    return out


def find_all(root, role=None, name=None, visible=None, depth=40):
    """Every descendant of root (root included) with that role and name, depth first.

    name may be a string (exact), a compiled regular expression (whole name) or a
    predicate; visible=True keeps only controls that are showing."""
    found = []

    def walk(acc, d):
        if (_matches(role_of(acc), role) and _matches(acc.name, name)
                and (visible is None or showing(acc) == visible)):
            found.append(acc)
        if d < depth:
            for c in children(acc):
                walk(c, d + 1)
    walk(root, 0)
    return found


def find(root, role=None, name=None, visible=None, timeout=10):
    """The first descendant of root with that role and name, waiting for it to appear."""
    what = f"a {role or 'control'} named {name!r}" + (" on screen" if visible else "")

    def look():
        hits = find_all(_fresh(root), role, name, visible)
        return hits[0] if hits else None
    return wait(look, timeout, what)


def absent(root, role=None, name=None, visible=True, timeout=10):
    """Waits until no control of that role and name is (showing) below root."""
    wait(lambda: not find_all(_fresh(root), role, name, visible), timeout,
         f"the {role or 'control'} {name!r} going away")


def window(application, name=None, role=("frame", "dialog", "window", "filler"), timeout=15):
    """A top-level window of the application (a child of it) that is showing.

    Qt shows plain QWidget windows as "filler" or "frame", dialogs as "dialog"."""
    roles = (role,) if isinstance(role, str) else role

    def look():
        for w in children(_fresh(application)):
            if role_of(w) in roles and _matches(w.name, name) and showing(w):
                return w
        return None
    return wait(look, timeout, f"a window named {name!r} ({'/'.join(roles)})")


def windows(application):
    """The application's top-level windows that are showing, as (role, name) pairs."""
    return [(role_of(w), w.name) for w in children(_fresh(application)) if showing(w)]


def actions(acc):
    """The names of acc's actions ("Press", "Toggle", "SetFocus", "ShowMenu", ...)."""
    try:
        a = acc.queryAction()
    except NotImplementedError:
        return []
    return [a.getName(i) for i in range(a.nActions)]


_bus = None


def _a11y_bus():
    """A connection of our own to the accessibility bus, for calls whose answer we skip."""
    global _bus
    if _bus is None:
        session = Gio.bus_get_sync(Gio.BusType.SESSION, None)
        reply = session.call_sync("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress",
                                  None, GLib.VariantType("(s)"), 0, 10000, None)
        flags = (Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT
                 | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION)
        _bus = Gio.DBusConnection.new_for_address_sync(reply.unpack()[0], flags, None, None)
    return _bus


def act(acc, *names):
    """Performs the first of the named actions that acc offers; returns its name.

    The call does not wait for the program's answer: Qt answers only once the action's
    handler returns, and a handler that opens a modal dialog returns when it closes. Wait
    for the action's effect instead."""
    offered = actions(acc)
    for n in names:
        if n in offered:
            call = Gio.DBusMessage.new_method_call(acc.app.bus_name, acc.path,
                                                   "org.a11y.atspi.Action", "DoAction")
            call.set_body(GLib.Variant("(i)", (offered.index(n),)))
            call.set_flags(Gio.DBusMessageFlags.NO_REPLY_EXPECTED)
            bus = _a11y_bus()
            bus.send_message(call, Gio.DBusSendMessageFlags.NONE)
            bus.flush_sync(None)
            return n
    raise LookupError(f"{role_of(acc)} {acc.name!r} offers {offered}, none of {names}")


def press(acc):
    """Presses a button, menu item or label through its Action interface."""
    return act(acc, "Press", "press", "click", "Click", "activate")


def press_button(root, name, timeout=10):
    """Finds the push button of that accessible name on screen below root and presses it."""
    b = find(root, "push button", name, visible=True, timeout=timeout)
    wait(lambda: b.getState().contains(pyatspi.STATE_ENABLED), timeout,
         f"the button {name!r} being enabled")
    press(b)
    return b


def focus(acc):
    """Gives acc the keyboard focus (Component.grabFocus, else its SetFocus action)."""
    try:
        if acc.queryComponent().grabFocus():
            return
    except NotImplementedError:
        pass
    act(acc, "SetFocus")


def focused(acc):
    """Whether acc holds the keyboard focus."""
    return acc.getState().contains(pyatspi.STATE_FOCUSED)


def selected(acc):
    """Whether acc (a list entry, ...) is selected."""
    return acc.getState().contains(pyatspi.STATE_SELECTED)


def items(list_acc):
    """The names of a list's entries, in order."""
    return [c.name for c in children(_fresh(list_acc))]


def select_item(list_acc, name, timeout=10):
    """Selects the list entry of that name through the list's Selection interface (or, where
    the toolkit offers none, its Table interface); returns the entry."""
    def entry():
        for i, c in enumerate(children(_fresh(list_acc))):
            if c.name == name:
                return (i, c)
        return None
    index, item = wait(entry, timeout, f"the list entry {name!r}")
    try:
        sel = list_acc.querySelection()
        sel.clearSelection()
        sel.selectChild(index)
    except NotImplementedError:
        list_acc.queryTable().addRowSelection(index)
    wait(lambda: selected(item), timeout, f"the list entry {name!r} being selected")
    return item


def text_of(acc):
    """The whole text of a text control (its Text interface), else its name."""
    try:
        t = acc.queryText()
        return t.getText(0, t.characterCount)
    except NotImplementedError:
        return acc.name


def set_text(acc, text, timeout=10):
    """Replaces the text of an editable field through EditableText and waits until the field
    holds exactly that text."""
    acc.queryEditableText().setTextContents(text)
    wait(lambda: text_of(acc) == text, timeout, f"the field holding {text!r}")


MENU_ITEM = re.compile("(check |radio |tearoff )?menu item")


def _item_name(name):
    # Qt keeps the padding some captions carry ("Open" and 23 blanks); a user reads none.
    if isinstance(name, str):
        return lambda n: (n or "").strip() == name
    return name


def menu_item(application, name, timeout=10):
    """The showing menu item of that name (exact but for padding, a regular expression or a
    predicate)."""
    return find(application, MENU_ITEM, _item_name(name), visible=True, timeout=timeout)


def menu_items(application):
    """The names of the menu items showing now (the open pop-up menus' entries), unpadded."""
    return [(m.name or "").strip() for m in find_all(_fresh(application), MENU_ITEM,
                                                     visible=True)]


def key(*keys):
    """Presses keys on the real keyboard (xdotool key): single keys such as Escape, never
    text."""
    subprocess.run(["xdotool", "key", *keys], check=True)


def lit(item):
    """Whether a menu item is lit up, as under the pointer."""
    state = item.getState()
    return state.contains(pyatspi.STATE_FOCUSED) or state.contains(pyatspi.STATE_SELECTED)


def activate_menu_item(application, name, timeout=10):
    """Chooses the showing menu item of that name: closes its menu (Escape, as the choice
    would) and then performs the item's action; on Wayland, clicks it with the pointer.

    Qt performs an item's action through AT-SPI without closing the menu, and a menu left
    open holds the pointer and keyboard: hence closing first."""
    item = menu_item(application, name, timeout)
    menu = item.parent
    if wayland():  # no keys to send there: the item is clicked with the pointer
        x, y, w, h = settled_extents(item)
        virtual_pointer.pointer_click(x + w // 2, y + h // 2, lambda: lit(item))
        return item
    if showing(menu):
        key("Escape")
        wait(lambda: not showing(menu), timeout, f"the menu closing before {name!r}")
    press(item)
    return item


def choose(application, opener, name, timeout=10):
    """Opens a menu by pressing opener (a menu button or label) and chooses its item of that
    name; returns the item. A name that the menu does not show raises Timeout, listing
    what it shows."""
    press(opener)
    try:
        return activate_menu_item(application, name, timeout)
    except Timeout as e:
        raise Timeout(f"{e}; the menu shows {menu_items(application)}") from None


DIALOG_ROLES = ("dialog", "alert", "file chooser")


def dialog(application, text=None, title=None, timeout=15):
    """A showing dialog (a message box, a file dialog) of the application; text, when given,
    must be the text of one of its labels (exact, a regular expression or a predicate)."""
    def look():
        for w in children(_fresh(application)):
            if role_of(w) not in DIALOG_ROLES or not showing(w):
                continue
            if not _matches(w.name, title):
                continue
            if text is None or find_all(w, "label", text):
                return w
        return None
    return wait(look, timeout, f"a dialog {title or ''} saying {text!r}".replace("  ", " "))


def labels(acc):
    """The texts of the labels below acc (a message box's text among them)."""
    return [l.name for l in find_all(acc, "label")]


def answer(dlg, button, timeout=10):
    """Presses the dialog's push button of that name ("OK", "Yes", "&Save", ...) and waits
    for the dialog to close."""
    press_button(dlg, button, timeout)
    wait(lambda: not _alive_showing(dlg), timeout, f"the dialog closing after {button!r}")


def _alive_showing(acc):
    try:
        return showing(acc)
    except Exception:
        return False


def wayland():
    """Whether the run is on a Wayland compositor (wayland-session.sh), not under X."""
    return bool(os.environ.get("WAYLAND_DISPLAY"))


def _top_level(acc):
    while True:
        parent = acc.parent
        if parent is None or parent.getRole() == pyatspi.ROLE_APPLICATION:
            return acc
        acc = parent


class MenuWatch:
    """Catches pop-up menus as they come on screen and go: Qt lists no pop-up menu of the
    notification-area icon among the program's windows. Start it before the menu opens."""

    def __init__(self):
        self.shown = []  # (menu, whether it came up)
        pyatspi.Registry.registerEventListener(self._on_showing, "object:state-changed:showing")

    def _on_showing(self, event):
        try:
            if event.source.getRole() == pyatspi.ROLE_POPUP_MENU:
                self.shown.append((event.source, event.detail1))
        except Exception:
            pass  # a window that went away meanwhile

    def pump(self, condition, seconds):
        """Hears events until condition() holds (True) or the seconds run out (False)."""
        end = time.monotonic() + seconds
        while not condition():
            if time.monotonic() >= end:
                return False
            while GLib.MainContext.default().iteration(False):
                pass
            time.sleep(0.05)
        return True

    def opened(self, seconds):
        """The menu that came up, waiting up to seconds for one; None if none did."""
        if not self.pump(lambda: any(up for _, up in self.shown), seconds):
            return None
        return next(m for m, up in self.shown if up)

    def closed(self, menu):
        return any(m == menu and not up for m, up in self.shown)


def extents(acc):
    """acc's place on screen: (x, y, width, height) in screen pixels.

    A Wayland client knows places only within its own windows: there the window's place
    comes from the compositor, found by the program's pid, the window's title and size.
    Through XWayland the program knows its places as X11 does."""
    if not wayland() or sway.on_x11(os.environ["GLIMMER_APP_PID"]):
        e = acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        return (e.x, e.y, e.width, e.height)
    top = _top_level(acc)
    t = top.queryComponent().getExtents(pyatspi.WINDOW_COORDS)
    e = acc.queryComponent().getExtents(pyatspi.WINDOW_COORDS)
    pid = os.environ["GLIMMER_APP_PID"]
    # A window without a title of its own (a menu) bears the program's name.
    same_size = [w for w in sway.windows(pid) if w["content"][2:] == (t.width, t.height)]
    places = [w["content"] for w in same_size if len(same_size) == 1 or w["name"] == top.name]
    if len(places) == 1:
        x, y = places[0][:2]
        return (x + e.x - t.x, y + e.y - t.y, e.width, e.height)
    # A pop-up lies where the program put it beside the window it belongs to, the focused one.
    focused = [w["content"] for w in sway.windows(pid) if w["focused"]]
    owners = [w for w in children(top.parent) if w != top and showing(w) and focused and
              _size(w) == focused[0][2:]]
    if len(owners) != 1:
        raise LookupError(f"no window of the compositor for {top.name!r} {t.width}x{t.height}, "
                          f"nor one it pops up from: {sway.windows(pid)}")
    d = acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    o = owners[0].queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return (focused[0][0] + d.x - o.x, focused[0][1] + d.y - o.y, d.width, d.height)


def _size(acc):
    e = acc.queryComponent().getExtents(pyatspi.WINDOW_COORDS)
    return (e.width, e.height)


def settled_extents(acc, hold=0.5, timeout=10):
    """extents(acc) once they held still for hold seconds: a compositor may still be placing
    a new window (sway moves a new floating window once it gets its title bar)."""
    since = [None, None]  # extents, and since when

    def steady():
        now = extents(acc)
        if now != since[0]:
            since[:] = [now, time.monotonic()]
        return now if time.monotonic() - since[1] >= hold else None
    return wait(steady, timeout, f"{acc.name!r} holding still on screen")


def screenshot(acc, path=None):
    """What the screen shows where acc is, as an RGB PIL image (saved to path if given).

    Reads the X screen (Pillow's XCB grab on $DISPLAY), or the Wayland compositor's through
    grim, and cuts acc's extents from it;
    parts off the screen come out black."""
    from PIL import Image, ImageGrab
    x, y, w, h = extents(acc)
    if wayland():
        screen = sway.screen()
    else:
        screen = ImageGrab.grab(xdisplay=None).convert("RGB")
    image = Image.new("RGB", (max(w, 0), max(h, 0)))
    image.paste(screen.crop((x, y, x + w, y + h)), (0, 0))
    if path:
        image.save(path)
    return image


def describe(acc, depth=0, limit=40):
    """The tree below acc as indented text: role, name, actions, showing."""
    lines = []

    def walk(a, d):
        try:
            mark = "" if showing(a) else " (hidden)"
            acts = actions(a)
            lines.append("  " * d + f"{role_of(a)} {a.name!r}" + (f" {acts}" if acts else "")
                         + mark)
            if d < limit:
                for c in children(a):
                    walk(c, d + 1)
        except Exception as e:  # a window closing under the walk
            lines.append("  " * d + f"(gone: {e})")
    walk(_fresh(acc), depth)
    return "\n".join(lines)


def main(argv):
    if len(argv) >= 2 and argv[1] == "dump":
        name = argv[2] if len(argv) > 2 else APP
        try:
            print(describe(app(name, timeout=5)))
        except Timeout:
            print(f"({name} is not on the accessibility bus)")
        return 0
    print(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
