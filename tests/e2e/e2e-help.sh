#!/usr/bin/env bash
# End-to-end check of the help window under Xvfb and openbox: the More page's "Help" opens
# "Glimmer Help"; clicks on its headings "View PCX" and "Import PCX" switch its panel; a
# heading under the pointer turns red while the other stays white, and both turn white when
# the pointer moves onto the window's background; each panel's text lies over its icon.
# Controls are found through the accessibility bus and clicked with the pointer where it
# shows them; colours are read from the screen. Usage: e2e-help.sh BUILD_DIR
source "$(dirname "$0")/lib/x-session.sh" "${1:?build dir}"

start_glimmer
cat >"$work/help.py" <<'PY'
import os, re, subprocess, sys, time
from PIL import Image, ImageChops, ImageGrab
import pyatspi
import atspi

art, pid = sys.argv[1:]
def check(key, holds, claim, saw):
    if not holds:
        sys.exit(f"{key}: {claim}, but {saw}")


def screen():
    return ImageGrab.grab(xdisplay=os.environ["DISPLAY"]).convert("RGB")


def crop(image, box):
    x, y, w, h = box
    return image.crop((x, y, x + w, y + h))


def centre(box):
    x, y, w, h = box
    return x + w // 2, y + h // 2


def point(x, y):
    # --sync waits for the pointer to move, long, when it is there already.
    where = subprocess.run(["xdotool", "getmouselocation", "--shell"], check=True,
                           capture_output=True, text=True).stdout.split()
    if f"X={x}" in where and f"Y={y}" in where:
        return
    subprocess.run(["xdotool", "mousemove", "--sync", str(x), str(y)], check=True)


def click(acc):
    point(*centre(atspi.extents(acc)))
    subprocess.run(["xdotool", "click", "1"], check=True)


def poll(condition, seconds):
    """condition()'s last value once it is true or the seconds ran out."""
    end = time.monotonic() + seconds
    while True:
        got = condition()
        if got[0] or time.monotonic() >= end:
            return got
        time.sleep(0.1)


def colour(image, box):
    """"red", "white" or "mixed": the heading's lettering, on its black ground."""
    red = white = 0
    for r, g, b in crop(image, box).getdata():
        if r >= 100 and g < 60 and b < 60:
            red += 1
        elif min(r, g, b) >= 100 and max(r, g, b) - min(r, g, b) < 40:
            white += 1
    if red >= 10 and not white:
        return "red"
    if white >= 10 and not red:
        return "white"
    return f"mixed (red {red}, white {white} pixels)"


def settled(window, title):
    """Waits until the accessibility bus places the window where the X server has it: the
    window manager may move a new window after the program placed it."""
    def same():
        ids = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", pid, "--name",
                              f"^{title}$"], capture_output=True, text=True).stdout.split()
        for xid in ids:
            info = subprocess.run(["xwininfo", "-id", xid], capture_output=True, text=True).stdout
            found = re.findall(r"(?:Absolute upper-left [XY]|Width|Height): +(-?\d+)", info)
            if tuple(map(int, found)) == atspi.extents(window):
                return True
        return False
    atspi.wait(same, 10, f"the window {title!r} where the window manager put it")
    return window


application = atspi.app()
browser = settled(atspi.window(application, "Glimmer"), "Glimmer")
click(atspi.find(browser, "push button", "More Menu", visible=True))
click(atspi.find(browser, "push button", "Help", visible=True))
tip = settled(atspi.window(application, "Glimmer Help"), "Glimmer Help")
heading = {n: atspi.find(tip, "label", n, visible=True) for n in ("View PCX", "Import PCX")}
box = {n: atspi.extents(h) for n, h in heading.items()}
panel, icon, text = {}, {}, {}
for p in atspi.children(tip):
    for name, key in (("View icon", "View PCX"), ("Import icon", "Import PCX")):
        if atspi.find_all(p, "image", name):
            panel[key] = p
            icon[key] = atspi.find_all(p, "image", name)[0]
            text[key] = atspi.find_all(p, "label", lambda n: n.startswith("If you want"))[0]
if len(panel) != 2:
    sys.exit(f"the help window's two panels not found:\n{atspi.describe(tip)}")
artwork = {"View PCX": Image.open(os.path.join(art, "icon_view.png")).convert("RGB"),
           "Import PCX": Image.open(os.path.join(art, "icon_import32.png")).convert("RGB")}

# The window's own background: a point between the headings where no control lies.
v, i = box["View PCX"], box["Import PCX"]
background = ((v[0] + v[2] + i[0]) // 2, centre(v)[1])
hit = tip.queryComponent().getAccessibleAtPoint(*background, pyatspi.DESKTOP_COORDS)
if hit is not None and hit != tip:
    sys.exit(f"{background} lies on {atspi.role_of(hit)} {hit.name!r}, not the background")


def differing(a, b):
    diff = ImageChops.difference(a, b).convert("L")
    return sum(1 for p in diff.getdata() if p)


def shows(name):
    """Whether the panel of that heading is the one on screen: the accessibility bus says
    only it is showing, and its icon is where the panel's icon is drawn."""
    other = "Import PCX" if name == "View PCX" else "View PCX"
    if not atspi.showing(panel[name]) or atspi.showing(panel[other]):
        return (False, "both panels showing" if atspi.showing(panel[other]) else "none showing")
    # Only the rows of the icon that the text's box leaves uncovered show it.
    ix, iy, iw, ih = atspi.extents(icon[name])
    tx, ty, tw, th = atspi.extents(text[name])
    rows = ih if tx >= ix + iw or tx + tw <= ix or ty >= iy + ih else max(1, ty - iy)
    drawn = crop(screen(), (ix, iy, iw, rows))
    mine = differing(drawn, artwork[name].crop((0, 0, iw, rows)))
    theirs = differing(drawn, artwork[other].crop((0, 0, iw, rows)))
    # The lettering of the text may touch the icon; the other panel's icon differs wholly.
    return (mine * 10 < theirs, f"{mine} pixels off its icon, {theirs} off the other's")


def icon_over_text(name):
    """Whether the panel's icon is drawn over the first line of its text: the text's box is
    white and lies over the bottom of the icon, so where the two meet the screen shows its white
    ground (and the letters), not the icon's dark square."""
    ix, iy, iw, ih = atspi.extents(icon[name])
    tx, ty, tw, th = atspi.extents(text[name])
    region = (max(ix, tx), max(iy, ty), min(ix + iw, tx + tw), min(iy + ih, ty + th))
    if region[0] >= region[2] or region[1] >= region[3]:
        return False, "the text's box does not meet the icon"
    drawn = screen().crop(region)
    light = sum(1 for p in drawn.getdata() if min(p) >= 200)
    area = drawn.width * drawn.height
    return light * 2 < area, (f"{area - light} of the {area} pixels where the text's box meets"
                              f" the icon ({region}) are dark: the icon lies over the text")


def colours():
    image = screen()
    return {n: colour(image, b) for n, b in box.items()}


def hover(name, other):
    point(*centre(box[name]))
    seen = poll(lambda: (lambda c: (c == {name: "red", other: "white"}, c))(colours()), 10)
    check(f"over-{name}", seen[0], f"with the pointer over {name!r} it turns red and"
          f" {other!r} stays white", f"{name!r} is {seen[1][name]}, {other!r} {seen[1][other]}")


def to_background(came_from):
    point(*background)
    # A colour that stays is awaited a while, not at once: the program may be slow to paint.
    seen = poll(lambda: (lambda c: (set(c.values()) == {"white"}, c))(colours()), 3)
    key = "view-to-background" if came_from == "View PCX" else "import-to-background"
    check(key, seen[0], f"moving the pointer from {came_from!r} onto the window's background"
          f" turns both headings white", f"'View PCX' stayed {seen[1]['View PCX']} and"
          f" 'Import PCX' {seen[1]['Import PCX']} with the pointer at {background}")


panels_seen = {}
for name, other in (("View PCX", "Import PCX"), ("Import PCX", "View PCX")):
    click(heading[name])
    seen = poll(lambda: shows(name), 10)
    check(f"panel-{name}", seen[0], f"a click on {name!r} shows its panel", seen[1])
    panels_seen[name] = crop(screen(), atspi.extents(panel[name]))
    hover(name, other)
    to_background(name)

if differing(panels_seen["View PCX"], panels_seen["Import PCX"]) == 0:
    sys.exit("the panel looks the same after both headings were clicked")
click(heading["View PCX"])
again = poll(lambda: (differing(crop(screen(), atspi.extents(panel["View PCX"])),
                                panels_seen["View PCX"]) == 0, ""), 10)
check("panel-again", again[0], "'View PCX' clicked again shows its panel as before",
      "the panel looks different")

for name, key in (("View PCX", "view-text-under-icon"), ("Import PCX", "import-text-under-icon")):
    click(heading[name])
    poll(lambda: shows(name), 10)
    covered, saw = icon_over_text(name)
    check(key, not covered, f"the {name!r} panel's text lies over its icon", saw)

click(atspi.find(tip, "push button", "OK", visible=True))
atspi.wait(lambda: not any(n == "Glimmer Help" for _, n in atspi.windows(application)), 10,
           "the help window closing after OK")
PY
out=$(atspi_py "$here/art/images" "$app" <"$work/help.py" 2>&1) || fail "$out"
[ -n "$out" ] && echo "$out"
kill -0 "$app" 2>/dev/null || fail "the program ended with the help window"
echo "e2e-help: 1 passed, 0 failed"
