#!/usr/bin/env bash
# Times glimmer-pcx's decoding against the libraries of the shared peerbench tool, in one run:
# its own corpus (the viewer's kinds) and pictures of every other kind, 1920 x 1080, made here
# with ImageMagick and netpbm. The table (out/results/latest/table.md of the tool) gives each
# file's fastest peer and glimmer-pcx's time as a ratio of it.
# Usage: bench/scripts/peerbench-kinds.sh BUILD_DIR [run.sh options...]
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:?build dir}" && pwd)
shift
# Without the libraries' development files the tool builds no peer and the table has Pillow
# alone, without a word.
"$here/scripts/install-deps.sh" bench
tool=${PEERBENCH_TOOL:-$here/../shared/tools/peerbench}
export PEERBENCH_CORPUS=${PEERBENCH_CORPUS:-${TMPDIR:-/tmp}/glimmer-peerbench-corpus}
export OMP_NUM_THREADS=1 MAGICK_THREAD_LIMIT=1
"$tool/make-corpus.sh" >/dev/null
cd "$PEERBENCH_CORPUS"
made() { [ -s "$1" ] || { "${@:2}" >"$1.tmp" && mv "$1.tmp" "$1"; }; }
made k1-1bit-1920x1080.pcx sh -c '/usr/bin/convert -seed 201 -size 1920x1080 plasma:fractal +dither -colors 2 ppm:- | ppmtopcx 2>/dev/null'
made k2-cga-1920x1080.pcx sh -c '/usr/bin/convert -seed 202 -size 1920x1080 plasma:fractal +dither -colors 4 ppm:- | ppmtopcx -packed 2>/dev/null'
made k4-packed-1920x1080.pcx sh -c '/usr/bin/convert -seed 203 -size 1920x1080 plasma:fractal +dither -colors 16 ppm:- | ppmtopcx -packed 2>/dev/null'
made k4-planar-1920x1080.pcx sh -c '/usr/bin/convert -seed 204 -size 1920x1080 plasma:fractal +dither -colors 16 ppm:- | ppmtopcx 2>/dev/null'
made k3-planar-1920x1080.pcx sh -c '/usr/bin/convert -seed 205 -size 1920x1080 plasma:fractal +dither -colors 8 ppm:- | ppmtopcx 2>/dev/null'
made k32-rgba-1920x1080.pcx sh -c '/usr/bin/convert -seed 206 -size 1920x1080 plasma:fractal \( -seed 207 -size 1920x1080 plasma:fractal -colorspace gray \) -alpha off -compose CopyOpacity -composite PCX:-'
for f in k*.pcx; do
    printf '%s: bits %d, planes %d\n' "$f" "$(od -An -tu1 -j3 -N1 "$f")" "$(od -An -tu1 -j65 -N1 "$f")"
done
exec "$tool/run.sh" --candidate "$build/cli/glimmer-pcx bench {file} {n}" --candidate-name glimmer "$@"
