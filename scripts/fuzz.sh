#!/usr/bin/env bash
# Runs a fuzzer (pcx_fuzz, thumbnail_fuzz) for a number of seconds, seeded with the project's
# PCX files. A finding is kept in fuzz/findings/ and fails the run.
set -euo pipefail
fuzzer=${1:?path to the fuzzer}
seconds=${2:-120}
here=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/corpus" "$here/fuzz/findings"
cp "$here"/fuzz/seeds/* "$here"/fuzz/regressions/* "$work/corpus/" 2>/dev/null || true
find "$here/tests/data" -type f \( -name '*.pcx' -o -name '*.dcx' -o -name '*.bin' \) -exec cp {} "$work/corpus/" \;
"$fuzzer" "$work/corpus" -dict="$here/fuzz/pcx.dict" -max_total_time="$seconds" \
    -max_len=65536 -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$here/fuzz/findings/" 2>&1 | tail -n 25
