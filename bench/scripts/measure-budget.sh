#!/usr/bin/env bash
# Time and peak memory of glimmer-pcx's commands on small files that claim huge pictures
# (make_bombs.py), one row a command, for docs/glimmer-pcx.md ("What a command holds").
# Usage: measure-budget.sh BUILD
set -euo pipefail
tool=$(realpath "${1:-build}/cli/glimmer-pcx")
here=$(cd "$(dirname "$0")/../.." && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cd "$tmp"
python3 "$here/bench/scripts/make_bombs.py" .
echo "| command | size of the file | seconds | peak MiB | exit |"
echo "|---|---:|---:|---:|---:|"
while read -r -a args; do
    # The file measured is the last argument that is one of the bombs (not a palette given).
    for a in "${args[@]:1}"; do [ -f "$a" ] && file=$a; done
    size=$(stat -c %s "$file")
    /usr/bin/time -f "%e %M %x" -o t "$tool" "${args[@]}" >/dev/null 2>&1 || true
    read -r seconds kib rc < <(tail -n 1 t)
    echo "| \`${args[*]}\` | $((size / 1024)) KiB | $seconds | $((kib / 1024)) | $rc |"
    rm -f o.* t.png p.pcx
done <<'EOF'
thumbnail mono-32767.pcx t.png
thumbnail two-bit-25000.pcx t.png
thumbnail zeros-16384.gif t.png
preview tall-1x32767.png p.pcx
preview wide-32766x1.pcx p.pcx
palette zeros-16384.gif
palette mono-32767.pcx
info two-bit-25000.pcx
check two-bit-25000.pcx
convert mono-32767.pcx o.png
convert two-bit-25000.pcx o.png
convert zeros-16384.gif o.png
convert two-bit-25000.pcx o.pcx
convert rgb-7000.pcx o.pcx
convert two-bit-25000.pcx o.bmp
convert rgb-7000.pcx o.bmp
convert two-bit-25000.pcx o.ppm
convert rgb-7000.pcx o.ppm
thumbnail rgb-7000.pcx t.png
convert rgb-7000-colours.pcx o.pcx
info grey-16384.tga
thumbnail grey-16384.tga t.png
convert grey-16384.tga o.png
convert claims-65535.tga o.png
convert mono-16384.pcx o.pcx
convert --mask #000000 mono-16384.pcx o.pcx
convert --palette two.gpl mono-16384.pcx o.pcx
convert rgb-6000.png o.png
EOF
