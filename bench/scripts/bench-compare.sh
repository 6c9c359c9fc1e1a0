#!/usr/bin/env bash
# Times glimmer-pcx against Pillow's PCX decoder on the benchmark's generated pictures, in one
# run, and prints the ratio. Usage: bench-compare.sh BUILD_DIR
set -euo pipefail
build=$(cd "${1:?build dir}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bench/pcx_bench" --write "$work"
printf '%-24s %12s %12s %8s\n' picture "glimmer ms" "Pillow ms" ratio
for f in "$work"/*.pcx; do
    runs=50
    case "$f" in *4096*) runs=7 ;; esac
    ours=$("$build/cli/glimmer-pcx" bench "$f" "$runs" | tail -n 1)
    theirs=$(/usr/bin/python3 - "$f" "$runs" <<'PY'
import io, sys, time
from PIL import Image
data = open(sys.argv[1], "rb").read()
times = []
for _ in range(int(sys.argv[2])):
    t = time.perf_counter()
    Image.open(io.BytesIO(data)).load()
    times.append(time.perf_counter() - t)
times.sort()
print(times[len(times) // 2] * 1000)
PY
)
    awk -v n="$(basename "$f" .pcx)" -v a="$ours" -v b="$theirs" \
        'BEGIN { printf "%-24s %12.2f %12.2f %7.1fx\n", n, a, b, b / a }'
done
