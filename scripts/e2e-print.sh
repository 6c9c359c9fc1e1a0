#!/usr/bin/env bash
# End-to-end check of printing through a real printer: CUPS with a PDF printer as the
# default printer; the picture window's "&Print" must put out a PDF page holding the picture.
# Usage: e2e-print.sh BUILD_DIR
source "$(dirname "$0")/x-session.sh" "${1:?build dir}"
fail() {
    echo "e2e-print FAIL: $*"
    cat "$work/glimmer.log" 2>/dev/null || true
    exit 1
}
sudo=""
[ "$(id -u)" -ne 0 ] && sudo=sudo

# The scheduler and a PDF printer as the default printer.
scheduler_up() { lpstat -r 2>/dev/null | grep -q "scheduler is running"; }
scheduler_up || $sudo cupsd || fail "CUPS did not start"
wait_until 15 scheduler_up || fail "CUPS does not answer"
if ! lpstat -p GlimmerPDF >/dev/null 2>&1; then
    $sudo lpadmin -p GlimmerPDF -v cups-pdf:/ -E -m lsb/usr/cups-pdf/CUPS-PDF_opt.ppd 2>/dev/null ||
        fail "no PDF printer could be set up"
fi
$sudo lpadmin -d GlimmerPDF
out=$HOME/PDF # where the PDF printer puts each user's pages
mkdir -p "$out"
before=$(ls "$out" | wc -l)

start_glimmer
browser=$(timeout 15 xdotool search --sync --onlyvisible --limit 1 --name '^Glimmer$') ||
    fail "the browser did not open"
xdotool mousemove --window "$browser" 170 21 click 1   # Open PCX
xdotool mousemove --window "$browser" 240 76 click 1   # DUSK.PCX
xdotool mousemove --window "$browser" 266 21 click 1   # View PCX
picture=$(timeout 15 xdotool search --sync --onlyvisible --limit 1 --name '^ $') ||
    fail "the picture window did not open"
xdotool windowactivate --sync "$picture" key alt+f p      # File, &Print
new_page() { [ "$(ls "$out" | wc -l)" -gt "$before" ]; }
wait_until 60 new_page ||
    fail "no page came out of the printer: $(lpstat -W all -o 2>&1 | tail -n 3; tail -n 5 /var/log/cups/error_log 2>/dev/null)"
pdf=$out/$(ls -t "$out" | head -n 1)
xdotool windowactivate --sync "$picture" key ctrl+x
xdotool windowactivate --sync "$browser" key alt+F4

"$build/cli/glimmer-pcx" convert "$prog/DUSK.PCX" "$work/dusk.png" >/dev/null
pdftoppm -r 96 -png -singlefile "$pdf" "$work/page" || fail "$pdf is not a readable PDF"
/usr/bin/python3 - "$work/dusk.png" "$work/page.png" <<'PY' || fail "the page does not hold the picture"
import sys
from PIL import Image, ImageChops, ImageStat
want = Image.open(sys.argv[1]).convert("RGB")
page = Image.open(sys.argv[2]).convert("RGB")
box = ImageChops.difference(page, Image.new("RGB", page.size, "white")).getbbox()
assert box, "blank page"
got = page.crop(box).resize(want.size)
diff = ImageStat.Stat(ImageChops.difference(got, want)).mean
assert max(diff) < 24, diff
PY
echo "e2e-print: 1 passed, 0 failed"
