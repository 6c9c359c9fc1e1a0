#!/usr/bin/env bash
# PCX files for the game's editor, through glimmer-pcx as modders run it: every 8-bit PCX file
# of the test data converts to the same indexes and palette; what Glimmer writes reads the same
# in ImageMagick, FFmpeg, netpbm and Pillow; masks, palettes, check, preview and palette export;
# and bad input is told and loses nothing.
set -euo pipefail
tool=$(realpath "${GLIMMER_PCX:?set GLIMMER_PCX}")
data=$(realpath "${1:?test data folder}")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cd "$tmp"
passed=0 failed=0
check() { # name condition-status
    if [ "$2" = 0 ]; then passed=$((passed + 1)); else failed=$((failed + 1)) && echo "FAIL: $1"; fi
}
py() { /usr/bin/python3 - "$@"; }

# Pictures a modder starts from: a sprite on magenta, one on alpha, a screenshot of many colours.
py <<'PY'
from PIL import Image, ImageDraw
import random
random.seed(7)
disc = Image.new("RGB", (128, 128), (255, 0, 255))
d = ImageDraw.Draw(disc)
for r in range(56, 0, -2):
    d.ellipse((64 - r, 64 - r, 64 + r, 64 + r), fill=(4 * r, 255 - 4 * r, (r * 37) % 256))
disc.save("disc.png")
sprite = Image.new("RGBA", (64, 64), (0, 0, 0, 0))
ImageDraw.Draw(sprite).ellipse((8, 8, 56, 56), fill=(200, 30, 40, 255))
sprite.save("sprite.png")
sprite.save("sprite.gif")  # its transparent index
shot = Image.new("RGB", (321, 201))  # odd: every line padded to an even length
shot.putdata([(x % 256, (x * y) % 256, random.randrange(256)) for y in range(201) for x in range(321)])
shot.save("shot.png")
shot.save("shot.tga")
gif = Image.new("P", (97, 83))  # noise: its codes fill the LZW table of 4096 again and again
gif.putpalette([(i * 7) % 256 for i in range(768)])
gif.putdata([random.randrange(256) for _ in range(97 * 83)])
gif.save("paletted.gif")
four = Image.new("P", (9, 5))
four.putpalette([0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255] + [0] * 756)
four.putdata([3 - (x + y) % 4 for y in range(5) for x in range(9)])
four.save("four-pillow.gif")
with open("few.gpl", "w") as f:
    f.write("GIMP Palette\nName: few\n#\n255 0 255\n0 0 0\n255 255 255\n200 30 40\n")
PY

# Same indexes and palette: Glimmer's PNGs of both (Pillow cannot read every original), which
# keep the indexes and all 256 entries as they are.
same_indexes() {
    "$tool" convert "$1" a.png && "$tool" convert "$2" b.png
    py <<'PY'
import sys
from PIL import Image
a, b = Image.open("a.png"), Image.open("b.png")
sys.exit(0 if list(a.getdata()) == list(b.getdata()) and a.getpalette() == b.getpalette() else 1)
PY
}
n=0
while IFS= read -r f; do
    "$tool" info "$f" 2>/dev/null | grep -q '8-bit paletted.*decodes$' || continue
    n=$((n + 1))
    "$tool" convert "$f" rt.pcx
    check "round trip of ${f#"$data"/}" "$(same_indexes "$f" rt.pcx; echo $?)"
done < <(find "$data" -name '*.pcx' | sort)
check "8-bit files found" "$([ "$n" -ge 7 ]; echo $?)"

/usr/bin/convert -size 97x61 plasma:fractal -colors 200 -interlace GIF interlaced.gif
# ImageMagick writes four colours with LZW codes of 3 bits at first (Pillow's start at 9) and a
# graphic control extension that names no transparent index.
/usr/bin/convert four-pillow.gif four.gif
"$tool" convert four.gif four.png
check "a GIF with no transparent index stays opaque" "$(py <<'PY'
import sys
from PIL import Image
sys.exit("transparency" in Image.open("four.png").info)
PY
echo $?)"
for f in paletted interlaced four; do
    "$tool" convert $f.gif $f.pcx
    check "$f.gif's own palette and indexes kept" "$(py $f <<'PY'
import sys
from PIL import Image
a, b = Image.open(sys.argv[1] + ".gif"), Image.open(sys.argv[1] + ".pcx")
n = len(a.getpalette())
ok = list(a.getdata()) == list(b.getdata()) and a.getpalette() == b.getpalette()[:n]
sys.exit(0 if ok else 1)
PY
echo $?)"
done

# Every reader takes what Glimmer writes, to the same pixels as Glimmer's own PNG of it.
"$tool" convert shot.png shot8.pcx
"$tool" convert --truecolor shot.png shot24.pcx
"$tool" convert --mask '#FF00FF' disc.png disc.pcx
for f in shot8 shot24 disc; do
    "$tool" convert $f.pcx $f-glimmer.png
    /usr/bin/convert $f.pcx $f-magick.png
    ffmpeg -loglevel error -y -i $f.pcx $f-ffmpeg.png
    pcxtoppm $f.pcx >$f-netpbm.ppm 2>/dev/null
    check "$f read alike by ImageMagick, FFmpeg, netpbm, Pillow" "$(py $f-glimmer.png $f-magick.png $f-ffmpeg.png $f-netpbm.ppm $f.pcx <<'PY'
import sys
from PIL import Image
want = list(Image.open(sys.argv[1]).convert("RGB").getdata())
sys.exit(0 if all(list(Image.open(f).convert("RGB").getdata()) == want for f in sys.argv[2:]) else 1)
PY
echo $?)"
done
check "few colours kept exactly" "$(py <<'PY'
from PIL import Image
import sys
a = Image.open("shot24.pcx").convert("RGB"); b = Image.open("shot.png").convert("RGB")
sys.exit(0 if list(a.getdata()) == list(b.getdata()) else 1)
PY
echo $?)"

# Index 0: the mask colour, exactly the pixels of that colour or of alpha below half.
masked_exactly() { # source pcx
    py "$1" "$2" <<'PY'
import sys
from PIL import Image
src = Image.open(sys.argv[1]).convert("RGBA").getdata()
out = Image.open(sys.argv[2])
masked = [a < 128 or (r, g, b) == (255, 0, 255) for r, g, b, a in src]
sys.exit(0 if out.getpalette()[:3] == [255, 0, 255] and [i == 0 for i in out.getdata()] == masked else 1)
PY
}
"$tool" convert --mask '#FF00FF' sprite.png sprite.pcx
check "mask by colour" "$(masked_exactly disc.png disc.pcx; echo $?)"
check "mask by alpha" "$(masked_exactly sprite.png sprite.pcx; echo $?)"
"$tool" convert --mask '#FF00FF' sprite.gif sprite-gif.pcx
check "mask by a GIF's transparent index" "$(masked_exactly sprite.gif sprite-gif.pcx; echo $?)"
mkdir out
"$tool" convert --to pcx --mask '#FF00FF' --no-dither out disc.png shot.tga >log
check "batch of PNG and TGA" "$(grep -q 'converted 2, refused 0, failed 0' log && masked_exactly disc.png out/disc.pcx; echo $?)"
"$tool" convert --palette few.gpl --mask '#FF00FF' sprite.png onto.pcx
check "given palette in its order" "$(py <<'PY'
import sys
from PIL import Image
p = Image.open("onto.pcx").getpalette()[:12]
sys.exit(0 if p == [255, 0, 255, 0, 0, 0, 255, 255, 255, 200, 30, 40] else 1)
PY
echo $?)"

# check: 0 passes, 1 warnings, 2 errors; one line a finding.
"$tool" convert --to pcx out "$data/pcx/256-palette.pcx" >/dev/null
py <<'PY'
from PIL import Image
Image.new("P", (256, 128)).save("good.pcx")
PY
status() { rc=0; "$@" >log 2>&1 || rc=$?; echo $rc; }
check "check ok" "$([ "$(status "$tool" check good.pcx)" = 0 ] && grep -q '^good.pcx: ok$' log &&
    grep -q '^good.pcx: note: index 0 is #000000, used by 32768 of 32768 pixels' log; echo $?)"
check "check warnings" "$([ "$(status "$tool" check out/256-palette.pcx)" = 1 ] &&
    grep -q 'warning: 435x353: a side is not a power of two' log &&
    grep -q 'warning: 435x353: a side is above 256; import it with mipmaps' log; echo $?)"
check "check errors" "$([ "$(status "$tool" check good.pcx shot24.pcx disc.png)" = 2 ] &&
    grep -q '^shot24.pcx: error: 8 bits and 3 planes' log && grep -q '^disc.png: error: not a PCX file' log; echo $?)"

py <<'PY'
import struct
head = bytearray(128)
head[0:4] = bytes([10, 5, 1, 8])
struct.pack_into("<hhhh", head, 4, 0, 0, 3, 1)  # 4x2
head[65], head[66] = 1, 4
with open("across.pcx", "wb") as f:  # the second run starts in line 1 and ends in line 2
    f.write(head + bytes([1, 0xC6, 2, 3]) + b"\x0c" + bytes(768))
PY
check "check runs across lines" "$([ "$(status "$tool" check across.pcx)" = 1 ] &&
    grep -q '^across.pcx: warning: 1 run crosses from one scan line to the next' log; echo $?)"

# preview: 256x256 and 8-bit, covering or fitted.
"$tool" preview shot.png cover.pcx && "$tool" preview --fit shot.png fit.pcx
check "preview" "$(py <<'PY'
import sys
from PIL import Image
c, f = Image.open("cover.pcx"), Image.open("fit.pcx")
ok = c.size == f.size == (256, 256) and c.mode == f.mode == "P"
ok = ok and f.convert("RGB").getpixel((0, 0)) == (0, 0, 0) and f.convert("RGB").getpixel((128, 128)) != (0, 0, 0)
sys.exit(0 if ok else 1)
PY
echo $?)"

# palette: GIMP by default, JASC on request, back as given.
"$tool" palette onto.pcx >p.gpl && "$tool" palette --pal onto.pcx >p.pal
check "palette export" "$(head -1 p.gpl | grep -q '^GIMP Palette' && [ "$(grep -c 'Index' p.gpl)" = 256 ] &&
    [ "$(sed -n 3p p.pal | tr -d '\r')" = 256 ] && [ "$(sed -n 4p p.pal | tr -d '\r')" = "255 0 255" ]; echo $?)"

# Bad input: told, exit 2, nothing written, an existing output kept whole.
echo "not a picture" >junk.png
cp disc.pcx keep.pcx
for bad in "convert junk.png keep.pcx" "convert --mask magenta disc.png keep.pcx" \
    "convert --palette junk.png disc.png keep.pcx" "convert --mask #FF00FF disc.png keep.png" \
    "preview disc.png keep.png" "convert --fast disc.png keep.png" "convert --tree disc.png keep.pcx"; do
    # shellcheck disable=SC2086 # the words are split on purpose
    check "$bad" "$([ "$(status "$tool" $bad)" = 2 ] && [ -s log ] && cmp -s disc.pcx keep.pcx &&
        [ ! -e keep.png ]; echo $?)"
done
grep -q 'error 481' <("$tool" convert junk.png x.pcx 2>&1) || check "unreadable picture says 481" 1
# A true-colour input is never replaced by its own 8-bit conversion.
cp shot24.pcx mine.pcx
check "batch over its own input" "$([ "$(status "$tool" convert --to pcx . mine.pcx)" = 2 ] &&
    grep -q 'mine.pcx would be written over its own input' log && cmp -s shot24.pcx mine.pcx; echo $?)"
check "convert onto itself" "$([ "$(status "$tool" convert mine.pcx ./mine.pcx)" = 2 ] &&
    cmp -s shot24.pcx mine.pcx; echo $?)"
ln -s mine.pcx mine-link.png
check "thumbnail onto itself through a link" "$([ "$(status "$tool" thumbnail mine.pcx mine-link.png)" = 2 ] &&
    cmp -s shot24.pcx mine.pcx; echo $?)"
# Nor through a link or another name of the same file, for a batch, one file or a preview.
mkdir -p in linked
cp disc.png in/x.png
cp shot24.pcx in/shot.pcx
ln -sf ../in/x.png linked/x.png
ln -sf ../in/shot.pcx linked/shot.pcx
ln -f in/x.png in/hard.pcx
for over in "convert --to png linked in/x.png" "convert --to pcx linked in/shot.pcx" \
    "convert in/x.png linked/x.png" "convert in/x.png in/hard.pcx" "preview in/shot.pcx linked/shot.pcx"; do
    # shellcheck disable=SC2086 # the words are split on purpose
    check "$over writes nothing" "$([ "$(status "$tool" $over)" = 2 ] && cmp -s disc.png in/x.png &&
        cmp -s shot24.pcx in/shot.pcx && grep -Eq 'its own input|the input itself' log; echo $?)"
done

# An output that is a link to a link is followed to the end, as inputs are: the file it
# leads to is replaced, the links stay; a chain that ends at the input writes nothing.
mkdir -p chain
echo old >chain/real.png
ln -sf real.png chain/l2.png
ln -sf l2.png chain/l1.png
ln -sf ../in/x.png chain/to-input.png
ln -sf to-input.png chain/via.png
check "a chain of links is followed to the end" "$([ "$(status "$tool" convert shot24.pcx chain/l1.png)" = 0 ] &&
    [ -L chain/l1.png ] && [ -L chain/l2.png ] && [ "$(head -c 4 chain/real.png | tail -c 3)" = PNG ] &&
    [ "$(status "$tool" convert in/x.png chain/via.png)" = 2 ] && cmp -s disc.png in/x.png; echo $?)"

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
