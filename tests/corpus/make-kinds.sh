#!/usr/bin/env bash
# Remakes the pictures of tests/data/kinds that the project writes with other programs, and the
# reference picture beside each file: what its writer was given (NAME.png; NAME-N.png for the
# pages of a DCX file). Needs GIMP 2.10 (gimp-console-2.10), ImageMagick, netpbm and Pillow; the
# results are committed, so the tests need none of them. The files copied from other projects
# get their references here too, from netpbm or ImageMagick (tests/data/SOURCES.md says which).
# Usage: tests/corpus/make-kinds.sh [CORPUS_DIR]   (default: ../shared/corpus beside the checkout)
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
out="$here/tests/data/kinds"
corpus=${1:-$here/../shared/corpus}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# The pictures given to the writers: 2, 4, 8 and 16 colours, and one with alpha.
/usr/bin/python3 - <<'PY'
from PIL import Image
W, H = 37, 23
COLOURS = [(0, 0, 0), (255, 255, 255), (220, 40, 30), (30, 160, 60), (40, 70, 200), (250, 210, 40),
           (140, 60, 170), (20, 190, 200), (120, 120, 120), (250, 140, 180), (90, 50, 20),
           (170, 230, 120), (10, 40, 90), (255, 120, 0), (200, 200, 230), (60, 100, 60)]
def colours(n):
    im = Image.new("RGB", (W, H))
    px = im.load()
    for y in range(H):
        for x in range(W):
            ring = max(abs(x - W // 2), abs(y - H // 2) * 3 // 2) // 2
            px[x, y] = COLOURS[(ring + (x // 5)) % n]
    im.save(f"c{n}.ppm")
    im.save(f"c{n}.png")
for n in (2, 4, 8, 16):
    colours(n)
im = Image.new("RGBA", (W, H))
px = im.load()
for y in range(H):
    for x in range(W):
        px[x, y] = (x * 7 % 256, y * 11 % 256, (x * y) % 256, 0 if x < 3 else (x * 13 + y * 3) % 256)
im.save("rgba.png")
PY

gimp_indexed() { # colours, output: GIMP's own export of the picture made indexed
    cat >g.scm <<SCM
(let* ((img (car (gimp-file-load RUN-NONINTERACTIVE "c$1.png" "c$1.png"))))
  (gimp-image-convert-indexed img CONVERT-DITHER-NONE CONVERT-PALETTE-GENERATE $1 FALSE TRUE "")
  (file-pcx-save RUN-NONINTERACTIVE img (car (gimp-image-get-active-drawable img)) "$2" "$2"))
(gimp-quit 0)
SCM
    gimp-console-2.10 -i -d -f -b - <g.scm >/dev/null 2>&1
}
made() { # name, reference picture
    cp "$work/$1" "$out/$1"
    cp "$work/$2" "$out/${1%.*}.png"
}
gimp_indexed 2 gimp-1bit.pcx && made gimp-1bit.pcx c2.png
gimp_indexed 16 gimp-4bit.pcx && made gimp-4bit.pcx c16.png
ppmtopcx c2.ppm >netpbm-1bit.pcx 2>/dev/null && made netpbm-1bit.pcx c2.png
ppmtopcx -packed c4.ppm >netpbm-2bit.pcx 2>/dev/null && made netpbm-2bit.pcx c4.png
ppmtopcx -packed c16.ppm >netpbm-4bit.pcx 2>/dev/null && made netpbm-4bit.pcx c16.png
ppmtopcx c4.ppm >netpbm-planar2.pcx 2>/dev/null && made netpbm-planar2.pcx c4.png
ppmtopcx c8.ppm >netpbm-planar3.pcx 2>/dev/null && made netpbm-planar3.pcx c8.png
ppmtopcx c16.ppm >netpbm-planar4.pcx 2>/dev/null && made netpbm-planar4.pcx c16.png
/usr/bin/convert rgba.png magick-rgba.pcx && made magick-rgba.pcx rgba.png
/usr/bin/convert c16.png rgba.png c2.png magick-pages.dcx
cp magick-pages.dcx "$out/"
cp c16.png "$out/magick-pages-1.png"
cp rgba.png "$out/magick-pages-2.png"
cp c2.png "$out/magick-pages-3.png"

# Files of other projects, referenced as netpbm reads them (GIMP agrees on every one), those
# with alpha as ImageMagick does.
copied() { # corpus path, name here, reader
    cp "$corpus/$1" "$out/$2"
    case $3 in
    netpbm) pcxtoppm "$out/$2" 2>/dev/null | /usr/bin/convert ppm:- -strip "$out/${2%.*}.png" ;;
    magick) /usr/bin/convert "$out/$2" -strip "$out/${2%.*}.png" ;;
    esac
}
for f in 1plane1bppCompressed 1plane2bppCompressed 1plane4bppCompressed 2plane1bppCompressed \
    3plane1bppCompressed 4plane1bppCompressed; do
    copied "commons-imaging/$f.pcx" "commons-$f.pcx" netpbm
done
# netpbm does not read stored 1-bit data; the picture is the compressed file's.
cp "$corpus/commons-imaging/1plane1bppUncompressed.pcx" "$out/commons-1plane1bppUncompressed.pcx"
cp "$out/commons-1plane1bppCompressed.png" "$out/commons-1plane1bppUncompressed.png"
copied kimageformats/read/CGA_FSD.pcx kde-CGA_FSD.pcx netpbm
copied kimageformats/read/16color.pcx kde-16color.pcx netpbm
copied kimageformats/read/indexed4.pcx kde-indexed4.pcx netpbm
copied kimageformats/write-format/Format_Mono.pcx kde-Format_Mono.pcx netpbm
copied kimageformats/read/dice_rgba.pcx kde-dice_rgba.pcx magick
copied kimageformats/write-basic/rgba.pcx kde-rgba.pcx magick
# A Version 3 file: no palette, whatever its header holds. Its reference is netpbm's reading
# with the standard palette written into the header.
cp "$corpus/pcx-crate/tiny.pcx" "$out/crate-tiny-v3.pcx"
/usr/bin/python3 - "$out/crate-tiny-v3.pcx" std.pcx <<'PY'
import sys
ega = [0x000000, 0x0000AA, 0x00AA00, 0x00AAAA, 0xAA0000, 0xAA00AA, 0xAA5500, 0xAAAAAA,
       0x555555, 0x5555FF, 0x55FF55, 0x55FFFF, 0xFF5555, 0xFF55FF, 0xFFFF55, 0xFFFFFF]
b = bytearray(open(sys.argv[1], "rb").read())
b[1] = 5
b[16:64] = b"".join(c.to_bytes(3, "big") for c in ega)
open(sys.argv[2], "wb").write(b)
PY
pcxtoppm std.pcx 2>/dev/null | /usr/bin/convert ppm:- -strip "$out/crate-tiny-v3.png"
cp "$corpus/commons-imaging/Oregon_Scientific_DS6639_-_DSC_0307_-_small.dcx" "$out/commons-oregon.dcx"
pcxtoppm "$corpus/commons-imaging/Oregon_Scientific_DS6639_-_DSC_0307_-_small.pcx" 2>/dev/null |
    /usr/bin/convert ppm:- -strip "$out/commons-oregon-1.png"
echo "made: $(ls "$out" | wc -l) files in $out"
