#!/usr/bin/env bash
# End-to-end check of the real program under Xvfb with openbox, driven by xdotool: pick a
# sample on the "Open PCX" page, view it, flip it, save it as BMP through the dialog, close
# everything, and check the saved pixels, the window manager's "above" state and that the
# process ends. Usage: e2e.sh BUILD_DIR
source "$(dirname "$0")/x-session.sh" "${1:?build dir}"
fail() {
    echo "e2e FAIL: $*"
    cat "$work/glimmer.log" 2>/dev/null || true
    xwininfo -root -tree 2>&1 | grep -i -E "glimmer|error" | head -n 8
    kill -0 "$app" 2>/dev/null && echo "(glimmer is running)" || echo "(glimmer is not running)"
    exit 1
}

start_glimmer
browser=$(timeout 15 xdotool search --sync --onlyvisible --limit 1 --name "^Glimmer$") ||
    fail "the browser did not open"

click() { xdotool mousemove --window "$browser" "$1" "$2" click 1; }
click 170 21   # "Open PCX": Command1
click 240 76   # List1, second entry: DUSK.PCX
click 266 21   # "View PCX": Command2
picture=$(timeout 15 xdotool search --sync --onlyvisible --limit 1 --name '^ $') ||
    fail "the picture window did not open"
xprop -id "$picture" _NET_WM_STATE | grep -q _NET_WM_STATE_ABOVE ||
    fail "the picture window is not kept above other windows"

xdotool windowactivate --sync "$picture"
xdotool key --window "$picture" alt+e Down Down Down Return   # Edit, Flip H
xdotool key --window "$picture" ctrl+s                        # Sa&ve As
dialog=$(timeout 15 xdotool search --sync --onlyvisible --limit 1 --name 'Save Current Picture File') ||
    fail "the save dialog did not open"
xdotool windowactivate --sync "$dialog"
xdotool type --delay 20 "$work/flipped.bmp"
xdotool key Return
timeout 10 bash -c "until [ -s '$work/flipped.bmp' ]; do sleep 0.1; done" || fail "nothing saved"

xdotool windowactivate --sync "$picture" key ctrl+x          # E&xit
xdotool windowactivate --sync "$browser" key alt+F4
timeout 10 tail --pid="$app" -f /dev/null || fail "the program kept running after its window closed"

"$build/cli/glimmer-pcx" convert "$prog/DUSK.PCX" "$work/dusk.png" >/dev/null
/usr/bin/python3 - "$work/dusk.png" "$work/flipped.bmp" <<'PY' || fail "saved pixels differ"
import sys
from PIL import Image, ImageOps
want = ImageOps.mirror(Image.open(sys.argv[1]).convert("RGB"))
got = Image.open(sys.argv[2])
assert got.format == "BMP", got.format
assert got.convert("RGB").tobytes() == want.tobytes(), "pixels"
PY
echo "e2e: 1 passed, 0 failed"
