"""Glimmer's windows as the end-to-end runs drive them, on top of atspi.py.

Each step waits for what the program shows afterwards; a step that does not come about
raises atspi.Timeout (an AssertionError) saying what was awaited.
"""

import os
import re
import subprocess

from PIL import Image, ImageChops, ImageGrab

import atspi as A

# What Flip H, Flip V and Rotate make of a picture.
FLIP_H = Image.Transpose.FLIP_LEFT_RIGHT
FLIP_V = Image.Transpose.FLIP_TOP_BOTTOM
HALF_TURN = Image.Transpose.ROTATE_180


def browser(app):
    """The browser window, once shown."""
    return A.window(app, "Glimmer")


def _is_picture_window(w):
    # Its caption changes (Save As shows the last name in it): know it by its picture box.
    return A.showing(w) and any(A.role_of(c) == "filler" and c.name == "Picture"
                                for c in A.children(w))


def picture_window(app, timeout=15):
    """The picture window, once shown."""
    return A.wait(lambda: next((w for w in A.children(app) if _is_picture_window(w)), None),
                  timeout, "the picture window")


def window_or_message(app, timeout=15):
    """After "View PCX": the picture window or, when the program refuses, its message box."""
    def look():
        for w in A.children(app):
            if (A.showing(w) and A.role_of(w) in A.DIALOG_ROLES) or _is_picture_window(w):
                return w
        return None
    return A.wait(look, timeout, "the picture window or a message")


def picture_closed(app, timeout=15):
    """Waits until the picture window is no longer shown."""
    A.wait(lambda: not any(_is_picture_window(w) for w in A.children(app)), timeout,
           "the picture window closing")


def open_page(app):
    """Shows the "Open PCX" page and returns its picture list (List1)."""
    A.press_button(app, "Open PCX")
    page = A.find(app, "panel", "Open Picture", visible=True)
    # The page holds the folder list (Dir1) and then the picture list; neither is named.
    return A.wait(lambda: [c for c in A.children(page) if A.role_of(c) == "list"][1:], 10,
                  "the picture list")[0]


def folder_list(app):
    """The "Open PCX" page's folder list (Dir1): the folders from the root down to the
    current one, each indented under its parent, then the current one's subfolders."""
    page = A.find(app, "panel", "Open Picture", visible=True)
    return A.wait(lambda: [c for c in A.children(page) if A.role_of(c) == "list"][:1], 10,
                  "the folder list")[0]


def _in_view(line, lst):
    # Inside the list, clear of where a horizontal scroll bar may lie along its bottom.
    x, y, w, h = A.extents(line)
    lx, ly, lw, lh = A.extents(lst)
    return lx <= x and ly <= y and y + h <= ly + lh - 20


def enter_folder(app, name, pictures, expect, timeout=10):
    """Enters a folder shown in the folder list as a user does: a click on the line in view
    nearest to it, arrow keys to the folder (the list scrolls along), Return. Waits until
    the picture list shows the names expect (the pictures there)."""
    folders = folder_list(app)
    lines = A.wait(lambda: A.children(folders) if any(
        c.name.strip() == name for c in A.children(folders)) else None, timeout,
        lambda: f"the folder {name} in the folder list ({A.items(folders)})")
    target = next(i for i, c in enumerate(lines) if c.name.strip() == name)
    in_view = [i for i, c in enumerate(lines) if _in_view(c, folders)]
    assert in_view, (f"no line of the folder list {A.extents(folders)} in view: "
                     f"{[(c.name, A.extents(c)) for c in lines]}")
    at = min(in_view, key=lambda i: abs(i - target))
    click(lines[at])
    A.wait(lambda: A.focused(folders) and A.selected(lines[at]), timeout,
           f"{lines[at].name.strip()} taking the focus")
    step = 1 if target > at else -1
    while at != target:
        A.key("Down" if step > 0 else "Up")
        at += step
        A.wait(lambda: A.focused(lines[at]) and A.selected(lines[at]), timeout,
               f"the focus moving to {lines[at].name.strip()}")
    A.key("Return")
    A.wait(lambda: A.items(pictures) == expect, timeout,
           lambda: f"the picture list showing {expect} after entering {name} (it shows "
           f"{A.items(pictures)}; folders {A.items(folders)})")


def list_entries(pictures):
    """The names the picture list shows."""
    return A.items(pictures)


def entry(pictures, name, timeout=10):
    """The picture list's entry of that name, once listed."""
    return A.wait(lambda: next((c for c in A.children(pictures) if c.name == name), None),
                  timeout, lambda: f"{name} in the picture list (it lists {A.items(pictures)})")


def _pointer():
    out = subprocess.run(["xdotool", "getmouselocation", "--shell"], check=True,
                         capture_output=True, text=True).stdout
    at = dict(line.split("=", 1) for line in out.split())
    return int(at["X"]), int(at["Y"])


def click(acc):
    """A real pointer click on acc, where AT-SPI says it is on screen: in its middle, or a
    quarter of its width in when the pointer is in the middle already, so that two clicks
    in a row never count as a double click however quickly they come."""
    x, y, w, h = A.extents(acc)
    spot = (x + w // 2, y + h // 2)
    px, py = _pointer()
    if abs(spot[0] - px) + abs(spot[1] - py) < 16:
        spot = (x + w // 4, y + h // 2)
    # No --sync: it waits for a motion event that never comes when the pointer is there
    # already. The X server takes the fake motion and click in order anyway.
    subprocess.run(["xdotool", "mousemove", str(spot[0]), str(spot[1]), "click", "1"],
                   check=True)


def pick(pictures, name):
    """Picks a picture as a user does, with a pointer click on its entry, and returns once
    the program has taken the click.

    A click on the entry already picked changes nothing AT-SPI shows, so a Tab pressed
    after it stands witness: X delivers it after the click, and the focus leaving the list
    shows it was handled."""
    e = entry(pictures, name)
    click(e)
    A.wait(lambda: A.selected(e) and A.focused(e) and A.focused(pictures), 10,
           f"{name} being picked")
    A.key("Tab")
    # The entry stays "focused" as the list's current one: watch the list.
    A.wait(lambda: not A.focused(pictures), 10, f"the focus leaving the list after {name}")
    return e


def view(app):
    """Presses "View PCX" and returns the picture window."""
    A.press_button(app, "View PCX")
    return picture_window(app)


def strip_label(window, name):
    """The picture window's "File" or "Edit" label."""
    return A.find(window, "push button", name, visible=True)


def command(app, window, menu, item):
    """Chooses a command from the picture window's File or Edit menu."""
    return A.choose(app, strip_label(window, menu), item)


def menu_entries(app, window, menu):
    """Opens the File or Edit menu, returns the names it shows, and closes it again."""
    A.press(strip_label(window, menu))
    first = A.menu_item(app, lambda n: True)
    names = A.wait(lambda: A.menu_items(app), 5, f"the {menu} menu's entries")
    A.key("Escape")
    A.wait(lambda: not A.showing(first.parent), 10, f"the {menu} menu closing")
    return names


def recent_entries(app, window):
    """The File menu's recent-files entries ("1. NAME", ...)."""
    return [e for e in menu_entries(app, window, "File") if e[:1].isdigit()]


def open_recent(app, window, name, timeout=10):
    """Chooses the recent-files entry of that name and waits until the program has dealt
    with it: the entry moves to the top of the list."""
    command(app, window, "File", lambda n: n.strip().split(". ", 1)[-1] == name)
    A.wait(lambda: recent_entries(app, window)[:1] == [f"1. {name}"], timeout,
           lambda: f"{name} moving to the top of the recent files "
           f"({recent_entries(app, window)})")


def import_picture(app, copy, source, what, timeout=10):
    """Presses Import and waits until the file copy holds the bytes of source."""
    import filecmp
    A.press_button(app, "Import")
    A.wait(lambda: os.path.exists(copy) and filecmp.cmp(copy, source, False), timeout, what)


def message(app, text, timeout=15):
    """The message box saying text (exact or a regular expression)."""
    return A.dialog(app, text, timeout=timeout)


def shown(app, window):
    """What the picture box shows on screen: (image, (left, top)), the part of the box that
    lies inside the picture window, and where that part starts within the box."""
    box = A.find(window, None, "Picture", visible=True)
    bx, by, bw, bh = A.extents(box)
    wx, wy, ww, wh = A.extents(window)
    left, top = max(bx, wx), max(by, wy)
    right, bottom = min(bx + bw, wx + ww), min(by + bh, wy + wh)
    screen = A.screenshot(box)
    visible = screen.crop((left - bx, top - by, right - bx, bottom - by))
    return visible, (left - bx, top - by)


def _differs(got, want_part):
    if got.size != want_part.size:
        return f"size {got.size} instead of {want_part.size}"
    box = ImageChops.difference(got, want_part).getbbox()
    return f"pixels differ in {box}" if box else None


def which_shown(app, window, candidates, what, timeout=10):
    """Waits until the picture box shows one of the candidate pictures ({key: RGB image},
    each from the box's top left corner, as far as the window lets it be seen) and returns
    that one's key."""
    last = [None]

    def look():
        got, (ox, oy) = shown(app, window)
        for key, want in candidates.items():
            last[0] = _differs(got, want.crop((ox, oy, ox + got.width, oy + got.height)))
            if last[0] is None:
                return key
        return None
    try:
        return A.wait(look, timeout, what)
    except A.Timeout as e:
        raise A.Timeout(f"{e}: {last[0]}") from None


def expect_shown(app, window, want, what, timeout=10):
    """Waits until the picture box shows the picture want (see which_shown)."""
    which_shown(app, window, {"it": want}, what, timeout)


def expect_blank(app, window, what, timeout=10):
    """Waits until the picture box shows no picture: one colour throughout."""
    def blank():
        got, _ = shown(app, window)
        return got.width > 0 and got.getextrema() and all(
            lo == hi for lo, hi in got.getextrema())
    A.wait(blank, timeout, what)


def load_rgb(path):
    """A picture file as an RGB PIL image."""
    return Image.open(path).convert("RGB")


def x_window(acc):
    """The X window of the program's top-level window acc, known by where it lies on screen."""
    want = A.extents(acc)
    pid = os.environ["GLIMMER_APP_PID"]
    ids = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", pid],
                         capture_output=True, text=True).stdout.split()
    for wid in ids:
        # xwininfo, not xdotool: xdotool's position is off by the frame's offsets.
        out = subprocess.run(["xwininfo", "-id", wid], capture_output=True, text=True).stdout
        got = [int(re.search(rf"{key}:\s*(-?\d+)", out).group(1))
               for key in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height")]
        if tuple(got) == want:
            return int(wid)
    raise AssertionError(f"no X window of the program lies at {want} ({acc.name!r})")


def stacking():
    """The window manager's stacking order of the managed windows, bottom first."""
    out = subprocess.run(["xprop", "-root", "-notype", "_NET_CLIENT_LIST_STACKING"],
                         capture_output=True, text=True).stdout
    return [int(w, 16) for w in re.findall(r"0x[0-9a-f]+", out)]


def screen():
    """What the screen shows, as an RGB PIL image."""
    return ImageGrab.grab(xdisplay=None).convert("RGB")


def expect_box_over(box, owner, before, what, timeout=10):
    """A person sees the message box `box` of the window `owner`: the window manager stacks
    it above its window, and where the two overlap the screen shows the box instead of what
    the window showed there before (before: screen() taken then)."""
    b, o = x_window(box), x_window(owner)

    def stacked():
        order = stacking()
        return b in order and o in order and order.index(b) > order.index(o)
    A.wait(stacked, timeout, f"{what}: the box above its window in the stacking order "
           f"(box {b:#x}, window {o:#x}, bottom to top {[hex(w) for w in stacking()]})")
    bx, by, bw, bh = A.extents(box)
    ox, oy, ow, oh = A.extents(owner)
    region = (max(bx, ox), max(by, oy), min(bx + bw, ox + ow), min(by + bh, oy + oh))
    assert region[0] < region[2] and region[1] < region[3], f"{what}: the box lies off its window"
    was = before.crop(region)
    area = was.width * was.height
    last = [0]

    def shown():
        diff = ImageChops.difference(screen().crop(region), was).convert("L")
        last[0] = sum(1 for p in diff.getdata() if p)
        return last[0] * 2 > area
    A.wait(shown, timeout, lambda: f"{what}: the box showing over its window "
           f"({last[0]} of {area} pixels changed where they overlap)")
