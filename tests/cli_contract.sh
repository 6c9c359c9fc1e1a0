#!/usr/bin/env bash
# The exit statuses and outputs of glimmer-pcx that outside scripts rely on.
set -u
tool=${GLIMMER_PCX:?set GLIMMER_PCX}
data=${1:?test data folder}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
passed=0 failed=0

check() { # name expected-status actual-status [extra condition result]
    if [ "$2" = "$3" ] && [ "${4:-0}" = 0 ]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAIL: $1 (wanted $2, got $3)"
    fi
}

"$tool" convert "$data/pcx/planet.pcx" "$tmp/planet.png"
check "convert to png" 0 $? "$( [ -s "$tmp/planet.png" ]; echo $?)"

"$tool" convert --to bmp "$tmp" "$data/pcx/mask.pcx" "$data/pcx/indexed8.pcx"
check "convert many to bmp" 0 $? "$( [ -s "$tmp/mask.bmp" ] && [ -s "$tmp/indexed8.bmp" ]; echo $?)"

"$tool" convert "$data/pcx/bw.pcx" "$tmp/bw.ppm"
check "convert to ppm" 0 $? "$(head -c 2 "$tmp/bw.ppm" | grep -q P6; echo $?)"

err=$("$tool" convert "$data/refused/16color.pcx" "$tmp/r.png" 2>&1)
check "refused" 1 $? "$(grep -q "Sorry, can't load that pcx file!" <<<"$err"; echo $?)"

err=$("$tool" convert "$data/malformed/cut-mid-row.pcx" "$tmp/m.png" 2>&1)
check "decode error" 2 $? "$(grep -q "error 9" <<<"$err" && [ ! -e "$tmp/m.png" ]; echo $?)"

"$tool" convert --to png "$tmp" "$data/pcx/planet.pcx" "$data/refused/16color.pcx" 2>/dev/null
check "worst status wins" 1 $?

echo keep >"$tmp/keep.png"
"$tool" convert "$data/pcx/planet.pcx" "$tmp/no-such-dir/x.png" 2>/dev/null
check "unwritable output" 2 $?
"$tool" convert "$data/malformed/cut-mid-row.pcx" "$tmp/keep.png" 2>/dev/null
check "failed decode keeps existing output" 2 $? "$(grep -q keep "$tmp/keep.png"; echo $?)"

"$tool" convert "$data/pcx/planet.pcx" "$tmp/x.gif" 2>/dev/null
check "unknown output type" 2 $?

out=$("$tool" info "$data/pcx/planet.pcx")
check "info" 0 $? "$(grep -q '8-bit paletted, 49x49, planes 1, BytesPerLine 50, decodes' <<<"$out"; echo $?)"

out=$("$tool" bench "$data/pcx/planet.pcx" 3)
check "bench" 0 $? "$(tail -n 1 <<<"$out" | grep -Eq '^[0-9]+(\.[0-9]+)?(e-?[0-9]+)?$'; echo $?)"

"$tool" --help >/dev/null
check "help" 0 $?
"$tool" --version | grep -q '^glimmer-pcx [0-9]'
check "version" 0 $?
"$tool" frobnicate 2>/dev/null
check "unknown command" 2 $?

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
