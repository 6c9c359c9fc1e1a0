#!/usr/bin/env bash
# Times the batch converter against ImageMagick (`mogrify -format png`) on N generated
# screenshot-like pictures (default 504: 640 x 480 to 1920 x 1080, 8-bit and 24-bit), in one
# run on this machine, and compares the output folders' sizes and a sample of their pixels;
# or on the PCX files of a folder (e.g. textures made by make_project_set.py --batch
# and converted to PCX).
# Usage: batch-compare.sh BUILD_DIR [N | FOLDER]
set -euo pipefail
build=$(cd "${1:?build dir}" && pwd)
count=${2:-504}
command -v mogrify >/dev/null || { echo "needs ImageMagick (apt-get install imagemagick)"; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/shots" "$work/im" "$work/glimmer"
if [ -d "$count" ]; then
    cp "$count"/*.[pP][cC][xX] "$work/shots/"
    count=$(find "$work/shots" -type f | wc -l)
else
    "$build/bench/pcx_bench" --screenshots "$work/shots" "$count"
fi
now() { date +%s.%N; }
# ImageMagick first and glimmer-pcx second, each reading files the other has also read, so
# both find them in the page cache.
cat "$work"/shots/* >/dev/null
t0=$(now)
mogrify -path "$work/im" -format png "$work"/shots/*.[pP][cC][xX]
t1=$(now)
"$build/cli/glimmer-pcx" convert --to png "$work/glimmer" "$work/shots" >/dev/null
t2=$(now)
im_bytes=$(cat "$work"/im/* | wc -c)
gl_bytes=$(cat "$work"/glimmer/* | wc -c)
awk -v n="$count" -v c="$(nproc)" -v a="$t0" -v b="$t1" -v d="$t2" -v ib="$im_bytes" -v gb="$gl_bytes" 'BEGIN {
    printf "%d pictures, %d cores\n", n, c
    printf "ImageMagick mogrify:     %7.2f s  %6.1f MB\n", b - a, ib / 1e6
    printf "glimmer-pcx convert:     %7.2f s  %6.1f MB\n", d - b, gb / 1e6
    printf "speed ratio %.1fx, size ratio %.3f\n", (b - a) / (d - b), gb / ib
}'
# The same pixels in both folders, for every 25th picture.
/usr/bin/python3 - "$work" <<'PY'
import os, sys
from PIL import Image
work = sys.argv[1]
names = sorted(os.listdir(f"{work}/glimmer"))[::25]
for n in names:
    a = Image.open(f"{work}/glimmer/{n}").convert("RGB")
    b = Image.open(f"{work}/im/{n}").convert("RGB")
    assert a.size == b.size and a.tobytes() == b.tobytes(), n
print(f"pixels: {len(names)} sampled pictures identical")
PY
