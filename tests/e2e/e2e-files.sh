#!/usr/bin/env bash
# End-to-end check of what the browser does to files, driven through the accessibility bus:
# Import refused from the program folder itself, Delete answered No and then Yes (the file on
# disk and the list), Import from another folder and once more over the first copy; then the
# recent-files list across starts: two pictures viewed, the program ended, started again, the
# File menu lists them and choosing one shows it. Usage: e2e-files.sh BUILD_DIR
source "$(dirname "$0")/lib/x-session.sh" "${1:?build dir}"
pcx=$build/cli/glimmer-pcx
for p in DUSK FLAT; do "$pcx" convert "$prog/$p.PCX" "$work/$p.png" >/dev/null; done
# Scratch copies, so that the samples themselves stay.
cp "$prog/DUSK.PCX" "$prog/SCRATCH.PCX"
mkdir "$prog/pictures"
cp "$prog/FLAT.PCX" "$prog/pictures/SUNSET.PCX"

start_glimmer
atspi_py "$prog" <<'PY' || fail "import and delete"
import filecmp
import os
import shutil
import sys
import atspi as A
import glimmer as G
prog = sys.argv[1]
app = A.app()
pictures = G.open_page(app)
A.wait(lambda: G.list_entries(pictures) == ["ARENA.PCX", "DUSK.PCX", "FLAT.PCX", "SCRATCH.PCX"],
       10, lambda: f"the program folder's pictures (listed: {G.list_entries(pictures)})")

# The program folder is where imports go: importing from it is refused, with a word.
G.pick(pictures, "SCRATCH.PCX")
A.press_button(app, "Import")
A.answer(G.message(app, f"You cannot copy from {prog} Folder as it is a working folder."), "OK")
assert os.listdir(f"{prog}/imported") == [], os.listdir(f"{prog}/imported")

# Delete asks first; No keeps the file (checked once the next question is up, when the
# first Delete has surely returned).
A.press_button(app, "Delete")
A.answer(G.message(app, "Are You Shore You Want To Delete?"), "No")
A.press_button(app, "Delete")
question = G.message(app, "Are You Shore You Want To Delete?")
assert os.path.exists(f"{prog}/SCRATCH.PCX"), "No deleted the file"
assert "SCRATCH.PCX" in G.list_entries(pictures), G.list_entries(pictures)
A.answer(question, "Yes")
A.wait(lambda: not os.path.exists(f"{prog}/SCRATCH.PCX"), 10, "SCRATCH.PCX deleted from disk")
A.wait(lambda: G.list_entries(pictures) == ["ARENA.PCX", "DUSK.PCX", "FLAT.PCX"], 10,
       lambda: f"SCRATCH.PCX leaving the list (listed: {G.list_entries(pictures)})")
A.wait(lambda: A.selected(G.entry(pictures, "ARENA.PCX")), 10, "the first entry picked")
assert os.path.exists(f"{prog}/DUSK.PCX"), "Delete took the sample it was copied from"

# Import from another folder; a second import replaces the first copy with the new bytes.
G.enter_folder(app, "pictures", pictures, ["SUNSET.PCX"])
G.pick(pictures, "SUNSET.PCX")
copy = f"{prog}/imported/SUNSET.pcx"
G.import_picture(app, copy, f"{prog}/pictures/SUNSET.PCX", f"{copy} holding the picture")
shutil.copyfile(f"{prog}/DUSK.PCX", f"{prog}/pictures/SUNSET.PCX")
G.import_picture(app, copy, f"{prog}/DUSK.PCX", "the second import replacing it")
assert os.listdir(f"{prog}/imported") == ["SUNSET.pcx"], os.listdir(f"{prog}/imported")
assert filecmp.cmp(f"{prog}/pictures/SUNSET.PCX", f"{prog}/DUSK.PCX", False)

# Back in the program folder: the recent files get the name picked when the picture window was
# first loaded in this run (SCRATCH.PCX, since deleted), not the picture viewed now.
G.enter_folder(app, os.path.basename(prog), pictures, ["ARENA.PCX", "DUSK.PCX", "FLAT.PCX"])
G.pick(pictures, "DUSK.PCX")
window = G.view(app)
G.command(app, window, "File", "Exit")
G.picture_closed(app)
recent = open(f"{prog}/glimmer.mru", encoding="utf-8").read().split()
assert recent == ["SCRATCH.PCX"], f"recent files: {recent}"
PY
end_glimmer || fail "$end_reason"

# Recent files across starts: two pictures viewed in one run, listed in the next.
rm -f "$prog/glimmer.mru"
start_glimmer
atspi_py <<'PY' || fail "viewing two pictures"
import atspi as A
import glimmer as G
app = A.app()
pictures = G.open_page(app)
for name in ("ARENA.PCX", "FLAT.PCX"):
    G.pick(pictures, name)
    window = G.view(app)
    G.command(app, window, "File", "Exit")
    G.picture_closed(app)
PY
end_glimmer || fail "$end_reason"
printf 'FLAT.PCX\r\nARENA.PCX\r\n' | cmp -s - "$prog/glimmer.mru" ||
    fail "glimmer.mru holds $(od -c "$prog/glimmer.mru" | head -n 3)"

start_glimmer
atspi_py "$work" <<'PY' || fail "the recent-files list after a second start"
import sys
import atspi as A
import glimmer as G
work = sys.argv[1]
app = A.app()
pictures = G.open_page(app)
G.pick(pictures, "DUSK.PCX")
window = G.view(app)
dusk, flat = G.load_rgb(f"{work}/DUSK.png"), G.load_rgb(f"{work}/FLAT.png")
G.expect_shown(app, window, dusk, "DUSK.PCX shown")
recent = G.recent_entries(app, window)
assert recent == ["1. DUSK.PCX", "2. FLAT.PCX", "3. ARENA.PCX"], f"recent files: {recent}"
# An entry naming a PCX picture opens nothing: the picture shown stays.
G.open_recent(app, window, "FLAT.PCX")
G.expect_shown(app, window, dusk, "DUSK.PCX left as it was")
G.command(app, window, "File", "Exit")
G.picture_closed(app)
PY
end_glimmer || fail "$end_reason"
echo "e2e-files: 1 passed, 0 failed"
