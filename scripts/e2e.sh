#!/usr/bin/env bash
# End-to-end check of the real program under Xvfb with openbox, driven by xdotool: pick a
# sample on the "Open PCX" page, view it, flip it, save it as BMP through the dialog, close
# everything, and check the saved pixels, the window manager's "above" state and that the
# process ends. Usage: e2e.sh BUILD_DIR
set -euo pipefail
trap 'echo "$0: failed at line $LINENO" >&2' ERR
build=$(cd "${1:?build dir}" && pwd)
here=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "e2e FAIL: $*"
    cat "$work/glimmer.log" 2>/dev/null || true
    exit 1
}

# A private copy of the program folder, so the run writes nothing into the build.
cp -r "$build/app" "$work/prog"
rm -rf "$work/prog/CMakeFiles" "$work/prog/glimmer_autogen" "$work/prog/cmake_install.cmake"

# Xvfb picks a free display itself and tells its number once it is ready.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
pids+=($!)
timeout 10 bash -c "until [ -s '$work/display' ]; do sleep 0.1; done"
display=:$(cat "$work/display")
export DISPLAY=$display
timeout 10 bash -c "until xdpyinfo >/dev/null 2>&1; do sleep 0.1; done" || fail "no X server"
openbox >/dev/null 2>&1 &
pids+=($!)
export XDG_RUNTIME_DIR=$work/run
mkdir -m 700 "$XDG_RUNTIME_DIR"

(cd "$work" && exec "$work/prog/glimmer") >"$work/glimmer.log" 2>&1 &
app=$!
pids+=($app)
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

"$build/cli/glimmer-pcx" convert "$work/prog/DUSK.PCX" "$work/dusk.png" >/dev/null
/usr/bin/python3 - "$work/dusk.png" "$work/flipped.bmp" <<'PY' || fail "saved pixels differ"
import sys
from PIL import Image, ImageOps
want = ImageOps.mirror(Image.open(sys.argv[1]).convert("RGB"))
got = Image.open(sys.argv[2])
assert got.format == "BMP", got.format
assert got.convert("RGB").tobytes() == want.tobytes(), "pixels"
PY
echo "e2e: 1 passed, 0 failed"
