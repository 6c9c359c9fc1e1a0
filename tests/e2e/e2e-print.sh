#!/usr/bin/env bash
# End-to-end check of printing through a real printer: a private CUPS scheduler whose default
# printer writes PDF files; the picture window's "&Print" must put out one PDF page holding the
# picture. The machine's printers, its default printer and ~/PDF stay as they were.
# Usage: e2e-print.sh BUILD_DIR
source "$(dirname "$0")/lib/x-session.sh" "${1:?build dir}"
source "$here/tests/e2e/lib/private-cups.sh"
fail_more() {
    echo "--- jobs: $(lpstat -l -W all -o 2>&1)"
    echo "--- printer: $(lpstat -p 2>&1)"
    cups_log_tail
}

start_glimmer "$prog/DUSK.PCX"
picture=$(timeout 15 xdotool search --sync --onlyvisible --limit 1 --name '^ $') ||
    fail "the picture window did not open"
browser=$(xdotool search --onlyvisible --limit 1 --name '^Glimmer$') ||
    fail "the browser is not shown beside the picture window"
xdotool windowactivate --sync "$picture" key alt+f p # File, &Print

# Until the job is done, or has failed: the scheduler keeps a failed job, with its reason.
job_settled() {
    local open
    open=$(lpstat -l -o 2>&1)
    [[ $open == *-with-errors* || $open == *stopped* ]] && return 0
    [[ $(lpstat -p GlimmerPDF 2>&1) == *disabled* ]] && return 0
    [ -z "$open" ] && [ -n "$(lpstat -W completed -o 2>/dev/null)" ]
}
wait_until 30 job_settled || fail "no job was printed on the private printer"
[ -z "$(lpstat -o)" ] || fail "the job failed"
[[ $(lpstat -p GlimmerPDF 2>&1) == *enabled* ]] || fail "the private printer stopped on the job"
[ "$(lpstat -W completed -o | wc -l)" = 1 ] || fail "more than one job was printed"
[ -s "$cups_page" ] || fail "the job left no page"

xdotool windowactivate --sync "$picture" key ctrl+x # E&xit
xdotool windowactivate --sync "$browser" key alt+F4
app_ended() { ! kill -0 "$app" 2>/dev/null; }
wait_until 15 app_ended || fail "the program kept running after its windows closed"
status=0
wait "$app" || status=$?
[ "$status" = 0 ] || fail "the program ended with status $status"

"$build/cli/glimmer-pcx" convert "$prog/DUSK.PCX" "$work/dusk.png" >/dev/null
pdftoppm -r 96 -png -singlefile "$cups_page" "$work/page" || fail "the page is not a readable PDF"
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
[ "$(pdfinfo "$cups_page" | sed -n 's/^Pages: *//p')" = 1 ] || fail "the PDF has more than one page"
changes=$(cups_machine_unchanged) || fail "the machine's printing settings changed:
$changes"
echo "e2e-print: 1 passed, 0 failed"
