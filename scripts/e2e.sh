#!/usr/bin/env bash
# End-to-end check of the real program under Xvfb with openbox, driven through the
# accessibility bus (scripts/e2e/atspi.py): pick DUSK.PCX on the "Open PCX" page, view it,
# flip it, save it as BMP through the real Save dialog, close everything, and check the saved
# pixels, the window manager's "above" state and that the process ends. Usage: e2e.sh BUILD
source "$(dirname "$0")/x-session.sh" "${1:?build dir}"
name=e2e
fail() {
    echo "$name FAIL: $*"
    echo "--- glimmer's output:"
    cat "$work/glimmer.log" 2>/dev/null || true
    echo "--- its windows as AT-SPI shows them:"
    atspi_dump | head -n 80
    kill -0 "$app" 2>/dev/null && echo "(glimmer is running)" || echo "(glimmer is not running)"
    exit 1
}
"$build/cli/glimmer-pcx" convert "$prog/DUSK.PCX" "$work/dusk.png" >/dev/null
"$build/cli/glimmer-pcx" convert "$prog/ARENA.PCX" "$work/arena.png" >/dev/null

start_glimmer
atspi_py "$work" <<'PY' || fail "viewing and flipping DUSK.PCX (above)"
import sys
import atspi as A
import glimmer as G
work = sys.argv[1]
app = A.app()
pictures = G.open_page(app)
G.entry(pictures, "DUSK.PCX")

# An entry selected through the accessibility interface counts as picked.
A.select_item(pictures, "ARENA.PCX")
window = G.view(app)
G.expect_shown(app, window, G.load_rgb(f"{work}/arena.png"), "ARENA.PCX picked by selection")
G.command(app, window, "File", "Exit")
G.picture_closed(app)

G.pick(pictures, "DUSK.PCX")
window = G.view(app)
dusk = G.load_rgb(f"{work}/dusk.png")
G.expect_shown(app, window, dusk, "DUSK.PCX in the picture window")
G.command(app, window, "Edit", "Flip H")
G.expect_shown(app, window, dusk.transpose(G.FLIP_H), "DUSK.PCX flipped")
PY

# The window manager, not the program, keeps the window above the others. X maps the
# window a moment after Qt reports it shown.
picture_on_x() { picture=$(xdotool search --onlyvisible --limit 1 --name '^ $'); }
wait_until 10 picture_on_x || fail "no picture window on X"
above() { xprop -id "$picture" _NET_WM_STATE | grep -q _NET_WM_STATE_ABOVE; }
wait_until 10 above || fail "the picture window is not kept above other windows"

atspi_py "$work/saved dir/flipped.bmp" <<'PY' || fail "Save As through the dialog, then Exit"
import os
import sys
import atspi as A
import glimmer as G
target = sys.argv[1]
os.makedirs(os.path.dirname(target))
app = A.app()
window = G.picture_window(app)
G.command(app, window, "File", "Save As")
dialog = A.dialog(app, title="Save Current Picture File")
A.set_text(A.find(dialog, "text", "File name:"), target)
A.answer(dialog, "Save")
A.wait(lambda: os.path.exists(target), 15, f"{target} being written")
G.command(app, window, "File", "Exit")
G.picture_closed(app)
PY

end_glimmer || fail "$end_reason"

/usr/bin/python3 - "$work/dusk.png" "$work/saved dir/flipped.bmp" <<'PY' || fail "saved pixels differ"
import sys
from PIL import Image, ImageOps
want = ImageOps.mirror(Image.open(sys.argv[1]).convert("RGB"))
got = Image.open(sys.argv[2])
assert got.format == "BMP", got.format
assert got.size == want.size, got.size
assert got.convert("RGB").tobytes() == want.tobytes(), "pixels"
PY
echo "$name: 1 passed, 0 failed"
