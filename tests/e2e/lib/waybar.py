"""waybar, Debian's panel for wlroots compositors, with its tray module alone, for the Wayland
run: the icon is found where waybar drew it, and the menu waybar draws for it (libdbusmenu's
GTK client) is opened by a click on the icon and an entry chosen by a click, both with the
compositor's own pointer, as a hand does. waybar must run with $WAYBAR_PID its process.

    python3 waybar.py config FOLDER   writes FOLDER/config and FOLDER/style.css
"""

import json
import os
import sys

import pyatspi
from PIL import Image, ImageChops

import atspi as A
import sway
import virtual_pointer

# A colour no icon pixel has: what differs from it on the bar is the bar's content.
BAR = (0, 0, 255)


def config(folder):
    with open(os.path.join(folder, "config"), "w") as f:
        json.dump({"layer": "top", "position": "top", "height": 32, "modules-right": ["tray"],
                   "tray": {"icon-size": 24}}, f)
    with open(os.path.join(folder, "style.css"), "w") as f:
        f.write("window#waybar { background: rgb(%d, %d, %d); }\n" % BAR)


def icon_box(screen):
    """Where the bar shows something besides its colour (the one icon): (x, y, width,
    height), or None while it shows nothing. The bar is the rows that begin in its colour."""
    rows = 0
    while rows < screen.height and screen.getpixel((0, rows)) == BAR:
        rows += 1
    bar = screen.crop((0, 0, screen.width, rows)).convert("RGB")
    plain = bar.copy()
    plain.paste(BAR, (0, 0, bar.width, bar.height))
    box = ImageChops.difference(bar, plain).getbbox() if rows else None
    return None if box is None else (box[0], box[1], box[2] - box[0], box[3] - box[1])


def wait_icon(timeout=20):
    """The icon's place once waybar has drawn it whole: the same on two looks in a row."""
    last = [None]

    def steady():
        box = icon_box(sway.screen())
        same = box is not None and box == last[0]
        last[0] = box
        return box if same else None
    return A.wait(steady, timeout, "the icon drawn on waybar")


def _app():
    """waybar on the accessibility bus. Its states stay cached (kept current by its events):
    uncached, libatspi asks for them while it dispatches an event of GTK's, and deadlocks."""
    pid = int(os.environ["WAYBAR_PID"])

    def look():
        desktop = A._fresh(pyatspi.Registry.getDesktop(0))
        return next((a for a in A.children(desktop)
                     if a is not None and a.name == "waybar" and a.get_process_id() == pid), None)
    return A.wait(look, 20, "waybar on the accessibility bus")


def _menu():
    """waybar's showing menu and its entries by label, or None."""
    for menu in A.find_all(_app(), "menu", visible=True):
        entries = {e.name: e for e in A.children(menu) if e.name}
        if entries:
            return menu, entries
    return None


def _extents(acc):
    e = acc.queryComponent().getExtents(pyatspi.WINDOW_COORDS)
    return e.x, e.y, e.width, e.height


def _background_box(before):
    """The box of the colour that most of what changed on screen since `before` has (a menu's
    background, whatever the theme): (x, y, width, height), or None while nothing changed."""
    after = sway.screen()
    changed = ImageChops.difference(before, after).convert("L").point(lambda v: 255 if v else 0)
    area = changed.getbbox()
    if area is None:
        return None
    mask = changed.crop(area).load()
    counts = {}
    part = after.crop(area).load()
    for y in range(area[3] - area[1]):
        for x in range(area[2] - area[0]):
            if mask[x, y]:
                counts[part[x, y]] = counts.get(part[x, y], 0) + 1
    background = max(counts, key=counts.get)
    plain = Image.new("RGB", after.size, background)
    exact = ImageChops.difference(after, plain).convert("L").point(lambda v: 0 if v else 255)
    x0, y0, x1, y1 = ImageChops.multiply(exact, changed).getbbox()
    return x0, y0, x1 - x0, y1 - y0


def choose(label, attempts=5):
    """Opens the icon's menu with a click on the icon and clicks its entry of that label."""
    before = sway.screen()
    x, y, w, h = icon_box(before)
    found = None
    for _ in range(attempts):
        virtual_pointer.pointer_click(x + w // 2, y + h // 2)
        try:
            found = A.wait(_menu, 5, "waybar's menu")
            break
        except A.Timeout:  # the click came before waybar took the pointer in: again
            pass
    if not found:
        sys.exit(f"a click on the icon opened no menu ({attempts} tries)")
    menu, entries = found
    if label not in entries:
        sys.exit(f"no entry {label!r} in waybar's menu: {list(entries)}")
    # A Wayland client knows places within its own windows only: the menu's top left is
    # where its background shows on screen, once it shows whole (its own size).
    mx, my, mw, mh = _extents(menu)
    seen = [None]

    def drawn():
        seen[0] = _background_box(before)
        return seen[0] if seen[0] and seen[0][2:] == (mw, mh) else None
    ox, oy, _, _ = A.wait(drawn, 10, lambda: f"waybar's menu of {mw}x{mh} on screen "
                          f"(its background shows at {seen[0]})")
    entry = entries[label]
    ex, ey, ew, eh = _extents(entry)
    virtual_pointer.pointer_click(ox + ex - mx + ew // 2, oy + ey - my + eh // 2, lambda: A.lit(entry))
    A.wait(lambda: not A.showing(entry), 10, f"waybar's menu closing after {label!r}")


if __name__ == "__main__" and sys.argv[1:2] == ["config"]:
    config(sys.argv[2])
