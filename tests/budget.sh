#!/usr/bin/env bash
# What glimmer-pcx holds is bounded by what it makes: small files that claim huge pictures cost
# little in every command, and a file's kind is judged alike by every command.
set -euo pipefail
tool=$(realpath "${GLIMMER_PCX:?set GLIMMER_PCX}")
here=$(cd "$(dirname "$0")/.." && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cd "$tmp"
python3 "$here/bench/scripts/make_bombs.py" .
passed=0 failed=0

check() { # name condition-status
    if [ "$2" = 0 ]; then passed=$((passed + 1)); else failed=$((failed + 1)) && echo "FAIL: $1"; fi
}

# Runs the tool as python's only child; prints "status peak-MiB" (getrusage's peak resident
# memory of the ended child).
measure() {
    python3 - "$@" <<'PY'
import resource, subprocess, sys
rc = subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=open("err", "w")).returncode
usage = resource.getrusage(resource.RUSAGE_CHILDREN)
print(rc, usage.ru_maxrss // 1024, round(usage.ru_utime + usage.ru_stime, 2))
PY
}

# The sanitizers' shadow memory says nothing of ours, and their gigapixel runs take minutes:
# there only the verdicts are checked (the fuzz targets take the same paths under them).
sanitized=0
nm -D "$tool" 2>/dev/null | grep -E '__(asan|tsan)_init' >/dev/null && sanitized=1

# Each door on the bomb that cost it gigabytes, within 256 MiB and with its status (check
# finds a 2-bit picture no texture).
while read -r want cmd; do
    [ $sanitized = 1 ] && break
    # shellcheck disable=SC2086 # the words are split on purpose
    read -r rc mib _ < <(measure "$tool" $cmd)
    check "$cmd: exit $rc, $mib MiB" "$([ "$rc" = "$want" ] && [ "$mib" -lt 256 ]; echo $?)"
done <<'EOF'
0 thumbnail mono-32767.pcx t1.png
0 thumbnail two-bit-25000.pcx t2.png
0 thumbnail zeros-16384.gif t3.png
0 preview tall-1x32767.png p1.pcx
0 preview wide-32766x1.pcx p2.pcx
0 preview --fit tall-1x32767.pcx p3.pcx
0 palette zeros-16384.gif
0 palette mono-32767.pcx
0 info two-bit-25000.pcx zeros-16384.gif
2 check two-bit-25000.pcx
0 thumbnail grey-16384.tga t6.png
2 convert claims-65535.tga c1.png
2 thumbnail claims-65535.tga t7.png
EOF

# GdkPixbuf's thumbnailer through the loader holds what the thumbnail holds, and shrinks the
# 1-bit bomb as glimmer-pcx does, a block of bits at a time: within twice its time.
if [ $sanitized = 0 ] && [ -n "${GLIMMER_PIXBUF_CACHE:-}" ]; then
    read -r _ _ ours < <(measure "$tool" thumbnail mono-32767.pcx t4.png)
    read -r rc mib theirs < <(measure env GDK_PIXBUF_MODULE_FILE="$GLIMMER_PIXBUF_CACHE" \
        gdk-pixbuf-thumbnailer -s 256 mono-32767.pcx t5.png)
    check "loader thumbnail: exit $rc, $mib MiB, ${theirs} s against ${ours} s" \
        "$([ "$rc" = 0 ] && [ "$mib" -lt 256 ] && python3 -c "import sys; sys.exit($theirs > 2 * $ours + 0.2)"; echo $?)"
fi

# convert holds the decoded picture once: at most 1.3 times its size at 8 bits a sample, and
# 96 MiB.
if [ $sanitized = 0 ]; then
    for c in "mono-32767.pcx 32767 32767 1 png" "two-bit-25000.pcx 25000 25000 1 png" \
        "two-bit-25000.pcx 25000 25000 1 pcx" "rgb-7000.pcx 7000 7000 3 pcx" \
        "two-bit-25000.pcx 25000 25000 1 bmp" "rgb-7000.pcx 7000 7000 3 bmp" \
        "two-bit-25000.pcx 25000 25000 1 ppm" "rgb-7000.pcx 7000 7000 3 ppm" \
        "rgb-7000-colours.pcx 7000 7000 3 pcx" "grey-16384.tga 16384 16384 1 png"; do
        read -r file w h samples format <<<"$c"
        read -r rc mib _ < <(measure "$tool" convert "$file" "out.$format")
        limit=$((w * h * samples * 13 / 10 / 1048576 + 96))
        check "convert $file to $format: exit $rc, $mib MiB of $limit" "$([ "$rc" = 0 ] && [ "$mib" -le $limit ]; echo $?)"
        rm -f "out.$format"
    done
fi

# Made 8-bit with a mask or onto a given palette, a picture is read a row at a time: beside it
# only its indexes, a byte a pixel, and the output, in the same budget.
if [ $sanitized = 0 ]; then
    limit=$((16384 * 16384 * 13 / 10 / 1048576 + 96))
    for opts in "" "--mask #000000" "--palette two.gpl"; do
        # shellcheck disable=SC2086 # the words are split on purpose
        read -r rc mib _ < <(measure "$tool" convert $opts mono-16384.pcx out.pcx)
        check "convert $opts mono-16384.pcx to pcx: exit $rc, $mib MiB of $limit" \
            "$([ "$rc" = 0 ] && [ "$mib" -le $limit ]; echo $?)"
        rm -f out.pcx
    done
fi

# A picture past the limit of Qt's readers is told as too large, not as no picture.
read -r rc mib _ < <(measure "$tool" convert rgb-6000.png o6.png)
check "a PNG past Qt's limit: exit $rc, $mib MiB" \
    "$([ "$rc" = 2 ] && { [ $sanitized = 1 ] || [ "$mib" -lt 256 ]; } && grep -q 'error 7: Too large' err; echo $?)"

# A file's kind by its content, then its name; info and convert give it the same verdict.
verdict() { # file: info's status and convert's
    local info=0 conv=0
    "$tool" info "$1" >/dev/null 2>&1 || info=$?
    "$tool" convert "$1" v.png >/dev/null 2>&1 || conv=$?
    rm -f v.png
    echo "$info $conv"
}
for c in "id10.tga 0" "manufacturer0.pcx 0" "empty.pcx 1" "tall-1x32767.png 0"; do
    read -r file want <<<"$c"
    check "$file: info and convert both $want" "$([ "$(verdict "$file")" = "$want $want" ]; echo $?)"
done
cp empty.pcx empty
check "a nameless empty file is no picture" "$([ "$(verdict empty)" = "2 2" ]; echo $?)"

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
