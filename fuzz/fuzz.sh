#!/usr/bin/env bash
# Runs a fuzzer (pcx_fuzz, tga_fuzz, thumbnail_fuzz, palette_fuzz, pcx_roundtrip_fuzz,
# pixbuf_fuzz, reply_fuzz) for a number of seconds, seeded with the project's PCX and TGA files. A finding is kept in fuzz/findings/
# and fails the run. The memory limits are the working budget of glimmer-pcx's doors (and of
# the GdkPixbuf loader's): an input that takes more is a bomb, found as a crash.
set -euo pipefail
fuzzer=${1:?path to the fuzzer}
seconds=${2:-120}
here=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/corpus" "$here/fuzz/findings"
cp "$here"/fuzz/seeds/* "$here"/fuzz/regressions/* "$work/corpus/" 2>/dev/null || true
find "$here/tests/data" -type f \( -name '*.pcx' -o -name '*.dcx' -o -name '*.tga' -o -name '*.bin' \) -exec cp {} "$work/corpus/" \;
# ASan holds freed memory back (256 MB by default) to catch uses after free: the fuzzer counts
# it in the process's size, which then creeps past the limit on no input in particular. Even
# 64 MB of it took the PCX writer's round trip from 160 MB to 520 MB in ten minutes, the same
# inputs alone taking 66 MB; with 16 MB it still crossed 512 MB in ten minutes.
export ASAN_OPTIONS="quarantine_size_mb=16${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
# The TGA reader's tokens for its own target, PCX's for the rest.
dict="$here/fuzz/pcx.dict"
[ "$(basename "$fuzzer")" = tga_fuzz ] && dict="$here/fuzz/tga.dict"
# Jobs in processes of their own (-fork), so that what the allocator keeps from earlier inputs
# does not add up either; an input that runs out of memory or time still ends the run.
"$fuzzer" "$work/corpus" -fork=1 -ignore_ooms=0 -ignore_timeouts=0 -ignore_crashes=0 \
    -dict="$dict" -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=512 \
    -malloc_limit_mb=256 -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$here/fuzz/findings/" 2>&1 | tail -n 25
