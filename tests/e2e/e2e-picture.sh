#!/usr/bin/env bash
# End-to-end check of the picture window's File and Edit menus, driven through the
# accessibility bus: `glimmer DUSK.PCX` starts with DUSK picked and shown, in a resizable tool
# window without minimise and maximise buttons that the window manager keeps above the
# others; Flip H, Flip V, Rotate, Back To Normal, Copy, New, Paste each checked by what the
# window shows; a recent-files entry; Save As through the real Save dialog (a BMP whatever the
# name, a refused overwrite that leaves the file, a name that cannot be written); Print with
# no printer says so; each box stays in sight above the enlarged window; Open goes back to
# the browser, where an entry selected through the accessibility interface counts as picked
# and one clicked with the pointer is picked again; Exit; the process ends.
# Usage: e2e-picture.sh BUILD_DIR
source "$(dirname "$0")/lib/x-session.sh" "${1:?build dir}"
pcx=$build/cli/glimmer-pcx
"$pcx" convert "$prog/DUSK.PCX" "$work/dusk.png" >/dev/null
"$pcx" convert "$prog/ARENA.PCX" "$work/arena.png" >/dev/null
# A recent-files entry from an earlier run: a Windows bitmap of FLAT.PCX.
"$pcx" convert "$prog/FLAT.PCX" "$work/flat.bmp" >/dev/null
printf '%s\r\n' "$work/flat.bmp" >"$prog/glimmer.mru"
# No printer: a print server address where none answers, so the machine's printers stay out.
export CUPS_SERVER=$work/no-print-server

start_glimmer "$prog/DUSK.PCX"
atspi_py "$work" <<'PY' || fail "the picture window's commands"
import os
import re
import subprocess
import sys
import atspi as A
import glimmer as G
work = sys.argv[1]
app = A.app()
dusk = G.load_rgb(f"{work}/dusk.png")
flat = G.load_rgb(f"{work}/flat.bmp")

window = G.picture_window(app)
G.expect_shown(app, window, dusk, "DUSK.PCX shown at start")

# A tool window: the window manager offers resizing, but neither minimising nor maximising.
picture_x = G.x_window(window)
def allowed():
    return subprocess.run(["xprop", "-id", str(picture_x), "_NET_WM_ALLOWED_ACTIONS"],
                          capture_output=True, text=True).stdout
A.wait(lambda: "_NET_WM_ACTION_RESIZE" in allowed(), 10, "the picture window being resizable")
assert not re.search("MINIMIZE|MAXIMIZE", allowed()), allowed()
state = lambda: subprocess.run(["xprop", "-id", str(picture_x), "_NET_WM_STATE"],
                               capture_output=True, text=True).stdout
A.wait(lambda: "_NET_WM_STATE_ABOVE" in state(), 10, "the picture window kept above the others")
# Enlarged and moved, as anyone does to see a whole screenshot: the program's boxes open over
# it from now on and must stay in sight above it.
subprocess.run(["xdotool", "windowmove", str(picture_x), "0", "0", "windowsize", str(picture_x),
                "980", "700"], check=True)
A.wait(lambda: A.extents(window)[2:] == (980, 700), 10, "the picture window enlarged")
browser = G.browser(app)
picked = [e for e in A.find_all(browser, "list item", "DUSK.PCX") if A.selected(e)]
assert picked, "DUSK.PCX is not picked in the browser's list"


def save_as(name):
    """Save As `name` through the real dialog; returns the screen as it was before."""
    shown_before = G.screen()
    G.command(app, window, "File", "Save As")
    dialog = A.dialog(app, title="Save Current Picture File")
    A.set_text(A.find(dialog, "text", "File name:"), name)
    A.answer(dialog, "Save")
    return shown_before


# Edit: each drawing starts from the picture as loaded.
G.command(app, window, "Edit", "Flip H")
G.expect_shown(app, window, dusk.transpose(G.FLIP_H), "Flip H")
# Save As writes what the window shows, a Windows bitmap whatever the name says.
flipped = f"{work}/flipped/flipped.jpg"
os.makedirs(os.path.dirname(flipped))
save_as(flipped)
A.wait(lambda: os.path.exists(flipped), 15, f"{flipped} being written")
A.wait(lambda: G.load_rgb(flipped).tobytes() == dusk.transpose(G.FLIP_H).tobytes(), 10,
       "the flipped picture saved")
assert G.Image.open(flipped).format == "BMP", G.Image.open(flipped).format
G.command(app, window, "Edit", "Flip V")
G.expect_shown(app, window, dusk.transpose(G.FLIP_V), "Flip V")
G.command(app, window, "Edit", "Rotate")
G.expect_shown(app, window, dusk.transpose(G.HALF_TURN), "Rotate, half a turn")
G.command(app, window, "Edit", "Back To Normal")
G.expect_shown(app, window, dusk, "Back To Normal")

# Copy, then empty the box with New, and Paste brings the picture back.
G.command(app, window, "Edit", "Copy")
G.command(app, window, "File", "New")
G.expect_blank(app, window, "New emptying the picture box")
G.command(app, window, "Edit", "Paste")
G.expect_shown(app, window, dusk, "Paste showing the copied picture")

# The recent-files list: the picture opened at start on top, the earlier run's bitmap below.
recent = G.recent_entries(app, window)
assert recent == ["1. DUSK.PCX", f"2. {work}/flat.bmp"], f"recent files: {recent}"
G.open_recent(app, window, f"{work}/flat.bmp")
G.expect_shown(app, window, flat, "the recent bitmap shown")
G.command(app, window, "File", "New")
G.expect_blank(app, window, "New emptying the picture box")
# A PCX name in the list moves to the top and shows nothing: PCX pictures open from the browser.
G.open_recent(app, window, "DUSK.PCX")
G.expect_blank(app, window, "the picture box left empty by a PCX entry")
G.open_recent(app, window, f"{work}/flat.bmp")
G.expect_shown(app, window, flat, "the recent bitmap shown again")

# Save As through the real dialog; a second Save As onto it, refused, leaves it as it was.
target = f"{work}/saved/flat copy.bmp"
os.makedirs(os.path.dirname(target))
G.command(app, window, "File", "Save As")
dialog = A.dialog(app, title="Save Current Picture File")
A.set_text(A.find(dialog, "text", "File name:"), target)
A.answer(dialog, "Save")
A.wait(lambda: os.path.exists(target), 15, f"{target} being written")
A.wait(lambda: G.load_rgb(target).tobytes() == flat.tobytes(), 10, "the saved pixels")
before = open(target, "rb").read()
G.command(app, window, "Edit", "Flip H")
# Flips redraw the picture the window was shown with, whatever the recent files put there.
G.expect_shown(app, window, dusk.transpose(G.FLIP_H), "Flip H of the picture shown at first")
window = G.picture_window(app)


screen = save_as(target)
ask = A.dialog(app, "That File Already Exists, Overwright")
G.expect_box_over(ask, window, screen, "the question before replacing a file")
A.answer(ask, "No")

# A name that cannot be written (a link to a folder that is gone): the box saying so is seen.
gone = f"{work}/links/gone.bmp"
os.makedirs(os.path.dirname(gone))
os.symlink(f"{work}/nowhere/gone.bmp", gone)
screen = save_as(gone)
box = A.dialog(app, lambda t: t.startswith(f"The picture could not be saved as {gone}."))
G.expect_box_over(box, window, screen, "the message of a failed Save As")
A.answer(box, "OK")
assert os.path.islink(gone) and not os.path.exists(f"{work}/nowhere"), "the link was touched"

# Print with no printer set up says why.
window = G.picture_window(app)
screen = G.screen()
G.command(app, window, "File", "Print")
box = A.dialog(app, lambda t: t.startswith("The picture could not be printed."))
assert any("printer" in t for t in A.labels(box)), A.labels(box)
G.expect_box_over(box, window, screen, "the message of a failed print")
A.answer(box, "OK")
# Save As has long returned by now: the refused overwrite left the file as it was.
assert open(target, "rb").read() == before, "a refused overwrite changed the file"
assert os.listdir(os.path.dirname(target)) == ["flat copy.bmp"], os.listdir(os.path.dirname(target))

# Open goes back to the browser, DUSK.PCX still picked.
G.command(app, window, "File", "Open")
G.picture_closed(app)
A.wait(lambda: A.showing(G.browser(app)), 10, "the browser shown")
pictures = G.open_page(app)
assert A.selected(G.entry(pictures, "DUSK.PCX")), "DUSK.PCX is no longer picked"


def view_refused():
    A.press_button(app, "View PCX")
    got = G.window_or_message(app)
    if A.role_of(got) not in A.DIALOG_ROLES:
        return None
    said = A.labels(got)[-1]
    A.answer(got, "OK")
    return said


# Closing the window let its picture go: View PCX asks for a pick, and one click on the entry
# already picked picks it again.
said = view_refused()
assert said == "You Have Not Chosen A PCX!", f"View PCX after File > Open: {said!r}"
A.select_item(pictures, "ARENA.PCX") # as an accessibility client picks
window = G.view(app)
G.expect_shown(app, window, G.load_rgb(f"{work}/arena.png"), "ARENA.PCX picked by selection")
G.command(app, window, "File", "Exit")
G.picture_closed(app)
G.pick(pictures, "DUSK.PCX")
A.press_button(app, "View PCX")
window = G.picture_window(app)
G.expect_shown(app, window, dusk, "DUSK.PCX shown again")
G.command(app, window, "File", "Exit")
G.picture_closed(app)
PY

end_glimmer || fail "$end_reason"
echo "e2e-picture: 1 passed, 0 failed"
