#!/usr/bin/env bash
# The exit statuses and outputs of glimmer-pcx that outside scripts rely on.
set -euo pipefail
# Absolute, as the script changes folders.
tool=$(realpath "${GLIMMER_PCX:?set GLIMMER_PCX}")
data=$(realpath "${1:?test data folder}")
tmp=$(mktemp -d)
trap 'chmod -R u+w "$tmp"; rm -rf "$tmp"' EXIT
passed=0 failed=0

check() { # name expected-status actual-status [extra condition result]
    if [ "$2" = "$3" ] && [ "${4:-0}" = 0 ]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAIL: $1 (wanted $2, got $3)"
    fi
}

# Whether the tool is built with a sanitizer (AddressSanitizer, ThreadSanitizer). grep reads
# all of nm's output: with -q it would stop at the first match, and nm, cut off, would fail
# the pipeline.
sanitizer_built() { nm -D "$tool" 2>/dev/null | grep -E '__(asan|tsan)_init' >/dev/null; }

# Runs a command, keeping its exit status in rc instead of ending the script.
run() {
    rc=0
    "$@" || rc=$?
}

# A PCX header as the decoder reads it, then a sparse tail up to SIZE bytes (none when 0);
# with PALETTE=1 the marker and 768 palette bytes end the file.
mkpcx() { # file bits planes width height bytes-per-line size [palette]
    python3 - "$@" <<'PY'
import struct, sys
name, bits, planes, w, h, bpl, size = sys.argv[1], *map(int, sys.argv[2:8])
palette = len(sys.argv) > 8 and sys.argv[8] == "1"
head = bytearray(128)
head[0:4] = bytes([10, 5, 1, bits])
struct.pack_into("<hhhh", head, 4, 0, 0, w - 1, h - 1)
head[65] = planes
struct.pack_into("<h", head, 66, bpl)
with open(name, "wb") as f:
    f.write(head)
    if size:
        f.truncate(size)
    if palette:
        f.seek(size - 769)
        f.write(b"\x0c" + bytes(768))
PY
}

# Runs the tool as python's only child and writes "status peak-KiB" to FILE: getrusage gives
# a child's peak resident memory once it has ended. LIMIT caps the address space in MiB.
measure() { # file limit-MiB|- command...
    python3 - "$@" <<'PY'
import resource, subprocess, sys
out, limit, cmd = sys.argv[1], sys.argv[2], sys.argv[3:]
def cap():
    if limit != "-":
        n = int(limit) << 20
        resource.setrlimit(resource.RLIMIT_AS, (n, n))
rc = subprocess.run(cmd, preexec_fn=cap).returncode
with open(out, "w") as f:
    f.write(f"{rc} {resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss}\n")
PY
}

# Some file systems have no sparse files: there a huge file would really fill the disk.
sparse() { # file size
    truncate -s "$2" "$1" 2>/dev/null && [ "$(du -k "$1" | cut -f1)" -lt 1024 ]
}

run "$tool" convert "$data/pcx/planet.pcx" "$tmp/planet.png"
check "convert to png" 0 $rc "$( [ -s "$tmp/planet.png" ]; echo $?)"

run "$tool" convert --to bmp "$tmp" "$data/pcx/mask.pcx" "$data/pcx/indexed8.pcx"
check "convert many to bmp" 0 $rc "$( [ -s "$tmp/mask.bmp" ] && [ -s "$tmp/indexed8.bmp" ]; echo $?)"

run "$tool" convert "$data/pcx/bw.pcx" "$tmp/bw.ppm"
check "convert to ppm" 0 $rc "$(head -c 2 "$tmp/bw.ppm" | grep -q P6; echo $?)"

refused=$data/refused/commons-1plane24bppCompressed.pcx
run "$tool" convert "$refused" "$tmp/r.png" 2>"$tmp/err"
check "refused" 1 $rc "$(grep -q "refused: not a kind of PCX the format describes" "$tmp/err"; echo $?)"

run "$tool" convert "$data/malformed/cut-mid-row.pcx" "$tmp/m.png" 2>"$tmp/err"
check "decode error" 2 $rc "$(grep -q "error 9" "$tmp/err" && [ ! -e "$tmp/m.png" ]; echo $?)"

run "$tool" convert --to png "$tmp" "$data/pcx/planet.pcx" "$refused" 2>/dev/null
check "worst status wins" 1 $rc

echo keep >"$tmp/keep.png"
run "$tool" convert "$data/pcx/planet.pcx" "$tmp/no-such-dir/x.png" 2>/dev/null
check "unwritable output" 2 $rc
run "$tool" convert "$data/malformed/cut-mid-row.pcx" "$tmp/keep.png" 2>/dev/null
check "failed decode keeps existing output" 2 $rc "$(grep -q keep "$tmp/keep.png"; echo $?)"

run "$tool" convert "$data/pcx/planet.pcx" "$tmp/x.gif" 2>/dev/null
check "unknown output type" 2 $rc

run "$tool" info "$data/pcx/planet.pcx" >"$tmp/out"
check "info" 0 $rc "$(grep -q '8-bit paletted, 49x49, planes 1, BytesPerLine 50, decodes' "$tmp/out"; echo $?)"
run "$tool" info "$data/pcx/mask.pcx" "$data/pcx/bw.pcx" >"$tmp/out"
check "info of 24-bit pictures" 0 $rc "$([ "$(grep -c '24-bit RGB, .*, planes 3, BytesPerLine .*, decodes$' "$tmp/out")" = 2 ]; echo $?)"

# File errors go to stderr; the description lines of the files that could be read stay on stdout.
run "$tool" info "$tmp/missing.pcx" "$data/pcx/planet.pcx" >"$tmp/out" 2>"$tmp/err"
check "info file errors on stderr" 2 $rc "$(grep -q 'missing.pcx: error 53' "$tmp/err" &&
    ! grep -q missing "$tmp/out" && grep -q 'planet.pcx: 8-bit paletted' "$tmp/out" &&
    ! grep -q planet "$tmp/err"; echo $?)"

run "$tool" bench "$data/pcx/planet.pcx" 3 >"$tmp/out"
check "bench" 0 $rc "$(grep -q '^decodes: 3,' "$tmp/out" &&
    tail -n 1 "$tmp/out" | grep -Eq '^[0-9]+(\.[0-9]+)?(e-?[0-9]+)?$'; echo $?)"

# Converting many: one output per input name, never two inputs to one output.
work=$tmp/work
mkdir -p "$work/a" "$work/b/c" "$work/flat" "$work/clash" "$work/tree"
cp "$data/pcx/planet.pcx" "$work/a/shot.pcx"
cp "$data/pcx/mask.pcx" "$work/b/shot.pcx"
cp "$data/pcx/indexed8.pcx" "$work/b/c/SHOT.PCX"
cp "$data/pcx/bw.pcx" "$work/a/other.pcx"
for f in a/shot.pcx b/shot.pcx b/c/SHOT.PCX a/other.pcx; do
    "$tool" convert "$work/$f" "$work/${f%.*}.want.png"
done
cd "$work"

run "$tool" convert --to png clash a/other.pcx a/shot.pcx b/c/SHOT.PCX b/shot.pcx 2>"$tmp/err"
check "clashing names write nothing" 2 $rc "$( [ -z "$(ls -A clash)" ] &&
    grep -q 'clash/shot.png would be written from both a/shot.pcx and b/shot.pcx' "$tmp/err" &&
    ! grep -q SHOT "$tmp/err"; echo $?)"

# Names that differ in case are two files on this file system, so they do not clash.
run "$tool" convert --to png flat a/shot.pcx b/c/SHOT.PCX a/shot.pcx ./a/shot.pcx
check "case differs, and one file named thrice, is no clash" 0 $rc "$(cmp -s flat/shot.png a/shot.want.png &&
    cmp -s flat/SHOT.png b/c/SHOT.want.png && [ "$(ls flat | wc -l)" = 2 ]; echo $?)"

run "$tool" convert --tree --to png tree a/shot.pcx b/shot.pcx "$work/b/c/SHOT.PCX" a/other.pcx
check "--tree keeps the folders" 0 $rc "$(cmp -s tree/a/shot.png a/shot.want.png &&
    cmp -s tree/b/shot.png b/shot.want.png && cmp -s tree/b/c/SHOT.png b/c/SHOT.want.png &&
    cmp -s tree/a/other.png a/other.want.png; echo $?)"

run "$tool" convert --to png --tree tree2 a/shot.pcx 2>"$tmp/err"
check "--tree wants an existing folder" 2 $rc "$( [ ! -e tree2 ] && grep -q 'tree2: no such folder' "$tmp/err"; echo $?)"

mkdir tree3
run "$tool" convert --to png --tree tree3 a/shot.pcx "$data/pcx/planet.pcx" 2>"$tmp/err"
check "--tree refuses inputs outside the current folder" 2 $rc "$( [ -z "$(ls -A tree3)" ] &&
    grep -q "$data/pcx/planet.pcx: outside the current folder" "$tmp/err"; echo $?)"

# Folders stand for every *.pcx below them, in any case; the number of files converted at
# once changes nothing in the outputs; a summary line ends the run, and off a terminal
# nothing else is said when all goes well.
cp "$refused" b/c/old.Pcx
echo text >b/notes.txt
mkdir -p one many
run "$tool" convert --to png --tree -j 1 one a b >"$tmp/out" 2>"$tmp/err"
check "folders, one at a time" 1 $rc "$(cmp -s one/a/shot.png a/shot.want.png &&
    cmp -s one/b/c/SHOT.png b/c/SHOT.want.png && [ "$(find one -type f | wc -l)" = 4 ] &&
    grep -qx 'converted 4, refused 1, failed 0' "$tmp/out" && grep -q 'old.Pcx: refused' "$tmp/err"; echo $?)"
run "$tool" convert -j 4 --tree --to png many a b >"$tmp/out" 2>/dev/null
check "folders, four at a time" 1 $rc "$(diff -r one many >/dev/null; echo $?)"
run "$tool" convert --to png -j 2 one a/shot.pcx >"$tmp/out" 2>"$tmp/err"
check "quiet off a terminal" 0 $rc "$( [ ! -s "$tmp/err" ] && grep -qx 'converted 1, refused 0, failed 0' "$tmp/out"; echo $?)"
# On a terminal the progress line counts the files.
if command -v script >/dev/null; then
    run script -qec "'$tool' convert --to png --tree -j 2 one a b" /dev/null >"$tmp/out"
    check "progress line on a terminal" 1 $rc "$(grep -q '/5 files' "$tmp/out"; echo $?)"
fi
for j in 0 x; do
    run "$tool" convert --to png -j $j one a 2>/dev/null
    check "-j $j" 2 $rc
done
run "$tool" convert --jobs 3 --to png one a/shot.pcx >"$tmp/out"
check "--jobs N" 0 $rc "$(grep -qx 'converted 1, refused 0, failed 0' "$tmp/out"; echo $?)"
rm b/c/old.Pcx b/notes.txt

# A folder that may not be made: permissions bind only a user other than root, who runs a
# copy of the tool (the checkout may lie in a folder only root may enter).
as=() own=$tool
if [ "$(id -u)" = 0 ]; then
    as=(setpriv --reuid=65534 --regid=65534 --clear-groups)
    own=$tmp/glimmer-pcx
    cp "$tool" "$own"
    chmod -R a+rX "$tmp"
fi
mkdir locked && chmod 555 locked
run "${as[@]}" "$own" convert --to png --tree locked a/shot.pcx 2>"$tmp/err"
check "unmakeable folder" 2 $rc "$(grep -q 'locked/a: error 70' "$tmp/err" && [ -z "$(ls -A locked)" ]; echo $?)"
cd "$tmp"

# Huge files: a refused kind is judged by its header alone, and one that is decoded is
# measured before any memory is taken for it. The peak memory shows that nothing was read.
mkpcx "$tmp/deep.pcx" 24 1 640 480 1920 0
mkpcx "$tmp/rgb.pcx" 8 3 640 480 640 0
mkpcx "$tmp/deep-mid.pcx" 24 1 640 480 1920 0
if sparse "$tmp/deep.pcx" 3000000000 && sparse "$tmp/rgb.pcx" 3000000000 &&
    sparse "$tmp/deep-mid.pcx" 1610612736; then
    # KiB: 50 MB, reading either file would take 3 GB; the sanitizers' shadow memory needs more.
    small=51200
    sanitizer_built && small=262144
    for f in deep deep-mid; do
        measure "$tmp/m" - "$tool" info "$tmp/$f.pcx" >"$tmp/out"
        read -r rc rss <"$tmp/m"
        check "huge $f refused by info ($rss KiB)" 1 "$rc" "$(grep -q 'refused (not a kind of PCX' "$tmp/out" &&
            [ "$rss" -lt $small ]; echo $?)"
        measure "$tmp/m" - "$tool" convert "$tmp/$f.pcx" "$tmp/$f.png" 2>"$tmp/err"
        read -r rc rss <"$tmp/m"
        check "huge $f refused by convert ($rss KiB)" 1 "$rc" "$(grep -q "refused: not a kind" "$tmp/err" &&
            [ "$rss" -lt $small ]; echo $?)"
    done
    measure "$tmp/m" - "$tool" convert "$tmp/rgb.pcx" "$tmp/rgb.png" 2>"$tmp/err"
    read -r rc rss <"$tmp/m"
    check "huge 24-bit is error 7 ($rss KiB)" 2 "$rc" "$(grep -q 'error 7: Too large: the file is larger' "$tmp/err" &&
        [ "$rss" -lt $small ] && [ ! -e "$tmp/rgb.png" ]; echo $?)"
else
    echo "SKIP: huge sparse files: $tmp cannot hold a 3 GB sparse file"
fi
rm -f "$tmp/deep.pcx" "$tmp/rgb.pcx" "$tmp/deep-mid.pcx"

# Memory that cannot be had is error 7, for the file and for the pixels alike. The sanitizers
# reserve more address space than any cap leaves, so there it cannot be tried.
if sanitizer_built; then
    echo "SKIP: out of memory: $tool is built with a sanitizer"
else
    mkpcx "$tmp/file.pcx" 8 1 100 100 100 0
    mkpcx "$tmp/pixels.pcx" 8 1 32000 32000 32000 40000897 1 # 1 GB of pixels, 40 MB of data
    if sparse "$tmp/file.pcx" 1610612736; then
        measure "$tmp/m" 512 "$tool" convert "$tmp/file.pcx" "$tmp/file.png" 2>"$tmp/err"
        read -r rc rss <"$tmp/m"
        check "no memory for the file" 2 "$rc" "$(grep -q 'error 7: Out of memory' "$tmp/err"; echo $?)"
    else
        echo "SKIP: no memory for the file: $tmp cannot hold a 1.5 GiB sparse file"
    fi
    measure "$tmp/m" 512 "$tool" convert "$tmp/pixels.pcx" "$tmp/pixels.png" 2>"$tmp/err"
    read -r rc rss <"$tmp/m"
    check "no memory for the pixels" 2 "$rc" "$(grep -q 'error 7: Out of memory' "$tmp/err"; echo $?)"
    rm -f "$tmp/file.pcx" "$tmp/pixels.pcx"
fi

# Every kind and DCX pages: alpha kept in PNG, dropped by BMP and PPM with the colours kept;
# pages listed, picked and named; a table that points outside the file is an error.
kinds=$data/kinds
pixels() { # picture reference [RGB|RGBA]: the same pixels in that mode
    /usr/bin/python3 - "$@" <<'PY'
import sys
from PIL import Image
a, b, mode = Image.open(sys.argv[1]), Image.open(sys.argv[2]), sys.argv[3]
sys.exit(0 if a.mode == mode and a.convert(mode).tobytes() == b.convert(mode).tobytes() else 1)
PY
}
run "$tool" convert "$kinds/magick-rgba.pcx" "$tmp/a.png"
check "alpha kept in PNG" 0 $rc "$(pixels "$tmp/a.png" "$kinds/magick-rgba.png" RGBA; echo $?)"
run "$tool" convert "$kinds/magick-rgba.pcx" "$tmp/a.bmp"
check "alpha dropped by BMP" 0 $rc "$(pixels "$tmp/a.bmp" "$kinds/magick-rgba.png" RGB; echo $?)"
run "$tool" convert "$kinds/magick-rgba.pcx" "$tmp/a.ppm"
check "alpha dropped by PPM" 0 $rc "$(pixels "$tmp/a.ppm" "$kinds/magick-rgba.png" RGB; echo $?)"
run "$tool" info "$kinds/magick-pages.dcx" >"$tmp/out"
check "info lists the pages" 0 $rc "$(grep -qx "$kinds/magick-pages.dcx: DCX, 3 pages" "$tmp/out" &&
    grep -q 'magick-pages.dcx page 2: 32-bit RGBA, 37x23, planes 4, BytesPerLine 37, decodes' "$tmp/out" &&
    [ "$(wc -l <"$tmp/out")" = 4 ]; echo $?)"
run "$tool" convert "$kinds/magick-pages.dcx" "$tmp/p.png"
check "convert writes the first page" 0 $rc "$(pixels "$tmp/p.png" "$kinds/magick-pages-1.png" RGB; echo $?)"
run "$tool" convert --page 3 "$kinds/magick-pages.dcx" "$tmp/p.png"
check "convert --page 3" 0 $rc "$(pixels "$tmp/p.png" "$kinds/magick-pages-3.png" RGB; echo $?)"
run "$tool" convert --page 4 "$kinds/magick-pages.dcx" "$tmp/p4.png" 2>"$tmp/err"
check "no such page" 2 $rc "$(grep -q 'no page 4; it has 3' "$tmp/err" && [ ! -e "$tmp/p4.png" ]; echo $?)"
mkdir "$tmp/pages"
cp "$kinds/magick-pages.dcx" "$kinds/commons-oregon.dcx" "$tmp/pages/"
cp "$kinds/gimp-4bit.pcx" "$tmp/pages/magick-pages-1.pcx"
run "$tool" convert --to png "$tmp/pages" "$tmp/pages" 2>"$tmp/err"
check "a page's name clashes" 2 $rc "$(grep -q 'magick-pages-1.png would be written from both' "$tmp/err"; echo $?)"
rm "$tmp/pages/magick-pages-1.pcx"
run "$tool" convert --to png "$tmp/pages" "$tmp/pages" >"$tmp/out"
check "pages named NAME-N, one page NAME" 0 $rc "$(grep -qx 'converted 4, refused 0, failed 0' "$tmp/out" &&
    pixels "$tmp/pages/magick-pages-2.png" "$kinds/magick-pages-2.png" RGBA &&
    [ -e "$tmp/pages/magick-pages-3.png" ] && [ ! -e "$tmp/pages/magick-pages-4.png" ] &&
    pixels "$tmp/pages/commons-oregon.png" "$kinds/commons-oregon-1.png" RGB; echo $?)"
python3 -c 'import sys; b = bytearray(open(sys.argv[1], "rb").read()); b[8:12] = (10 ** 6).to_bytes(4, "little"); open(sys.argv[2], "wb").write(b)' \
    "$kinds/magick-pages.dcx" "$tmp/broken.dcx"
for cmd in info "convert" "thumbnail"; do
    out=()
    [ "$cmd" = info ] || out=("$tmp/broken.png")
    run "$tool" $cmd "$tmp/broken.dcx" "${out[@]}" 2>"$tmp/err" >/dev/null
    check "$cmd of a DCX pointing outside itself" 2 $rc "$(grep -q 'error 63: .*DCX page starts past the end of the file' "$tmp/err" &&
        [ ! -e "$tmp/broken.png" ]; echo $?)"
done

# Thumbnails: the longest side becomes SIZE, never larger than the picture; the pixels are the
# picture's, smoothly scaled (compared with Pillow's scaling of the golden PNG).
similar() { # thumbnail golden.png
    /usr/bin/python3 - "$@" <<'PY'
import sys
from PIL import Image, ImageChops, ImageStat
got = Image.open(sys.argv[1])
want = Image.open(sys.argv[2]).convert("RGB").resize(got.size, Image.BILINEAR, reducing_gap=2.0)
mean = sum(ImageStat.Stat(ImageChops.difference(got.convert("RGB"), want)).mean) / 3
sys.exit(0 if got.format == "PNG" and mean < 6 else print(f"mean difference {mean:.1f}") or 1)
PY
}
size_of() { /usr/bin/python3 -c 'import sys; from PIL import Image; print("%dx%d" % Image.open(sys.argv[1]).size)' "$1"; }
run "$tool" thumbnail "$data/pcx/256-palette.pcx" "$tmp/t.png"
check "thumbnail 256 by default" 0 $rc "$([ "$(size_of "$tmp/t.png")" = 256x208 ] && similar "$tmp/t.png" "$data/pcx/256-palette.png"; echo $?)"
run "$tool" thumbnail -s 128 "$data/pcx/odd_stride.pcx" "$tmp/t.png"
check "thumbnail -s 128" 0 $rc "$([ "$(size_of "$tmp/t.png")" = 128x52 ] && similar "$tmp/t.png" "$data/pcx/odd_stride.png"; echo $?)"
run "$tool" thumbnail "$data/pcx/rgb-gimp-2.8.10.pcx" "$tmp/t.png"
check "thumbnail never enlarges" 0 $rc "$([ "$(size_of "$tmp/t.png")" = 32x32 ] && similar "$tmp/t.png" "$data/pcx/rgb-gimp-2.8.10.png"; echo $?)"
rm -f "$tmp/t.png"
run "$tool" thumbnail "$data/malformed/cut-mid-row.pcx" "$tmp/t.png" 2>"$tmp/err"
check "thumbnail of a malformed file" 2 $rc "$(grep -q 'error 9' "$tmp/err" && [ ! -e "$tmp/t.png" ]; echo $?)"
run "$tool" thumbnail "$refused" "$tmp/t.png" 2>/dev/null
check "thumbnail of a refused file" 1 $rc "$([ ! -e "$tmp/t.png" ]; echo $?)"
run "$tool" thumbnail "$data/kinds/magick-pages.dcx" "$tmp/t.png"
check "thumbnail of a DCX's first page" 0 $rc "$([ "$(size_of "$tmp/t.png")" = 37x23 ] && similar "$tmp/t.png" "$data/kinds/magick-pages-1.png"; echo $?)"
run "$tool" thumbnail --size 4096 "$data/pcx/planet.pcx" "$tmp/t.png"
check "thumbnail --size 4096" 0 $rc "$([ "$(size_of "$tmp/t.png")" = 49x49 ]; echo $?)"
rm -f "$tmp/t.png"
for bad in "-s 0" "-s x" "-s 4097" "-s"; do
    # shellcheck disable=SC2086 # the options are split on purpose
    run "$tool" thumbnail $bad "$data/pcx/planet.pcx" "$tmp/t.png" 2>/dev/null
    check "thumbnail $bad" 2 $rc "$([ ! -e "$tmp/t.png" ]; echo $?)"
done

run "$tool" --help >"$tmp/out"
check "help" 0 $rc "$(grep -q -- '--tree' "$tmp/out" && grep -q -- '--page N' "$tmp/out" &&
    grep -q 'BMP, PPM and PCX cannot hold it' "$tmp/out" && grep -q -- '--mask #RRGGBB' "$tmp/out" &&
    grep -q 'glimmer-pcx check FILE' "$tmp/out"; echo $?)"
run "$tool" --version >"$tmp/out"
check "version" 0 $rc "$(grep -q '^glimmer-pcx [0-9]' "$tmp/out"; echo $?)"
run "$tool" frobnicate 2>/dev/null
check "unknown command" 2 $rc
run "$tool" convert --tree png "$tmp" x.pcx 2>/dev/null
check "--tree without --to" 2 $rc

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
