#!/usr/bin/env bash
# End-to-end check of the thumbnailer with a real consumer: GNOME's thumbnail factory (the one
# Files uses, which runs thumbnailers inside bubblewrap) with the Debian package installed.
# It must offer to thumbnail a PCX, make thumbnails whose pixels are the scaled pictures, and
# make none, without crashing, for a malformed file. Installing a package changes the machine,
# so this runs only in CI (CI=true, a scratch machine) or when asked (GLIMMER_TEST_PACKAGE=1),
# and removes the package afterwards. GLIMMER_SHOTS=DIR keeps the grid picture it draws there.
# Usage: e2e-thumbnails.sh BUILD_DIR PACKAGE_BUILD_DIR (the samples come from BUILD_DIR/app)
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
name=e2e-thumbnails
source "$here/tests/e2e/lib/package.sh" "$name" "${2:?package build dir}"
build=$(cd "${1:?build dir}" && pwd)
work=$(mktemp -d)
cleanup() {
    remove_package || true
    rm -rf "$work"
}
trap cleanup EXIT
install_package

# The pictures, and what each must look like: the samples as glimmer-pcx decodes them, the
# other writers' pictures as their golden PNG beside them (of a DCX file, its first page's).
# Beyond the viewer's kinds: 2-bit, 4-bit, 1-bit in four planes, alpha, and DCX.
mkdir "$work/shots" "$work/want"
data=$here/tests/data
for f in "$build"/app/*.PCX "$data"/pcx/{256-palette,mask,odd_stride,opengfx_trains_start-2010,rgb-gimp-2.8.10}.pcx \
    "$data"/kinds/{kde-CGA_FSD,gimp-4bit,kde-16color,kde-dice_rgba}.pcx "$data"/kinds/{magick-pages,commons-oregon}.dcx; do
    [ -e "$f" ] || continue
    cp "$f" "$work/shots/"
    base=$(basename "$f")
    for golden in "${f%.*}.png" "${f%.*}-1.png"; do
        [ -e "$golden" ] && cp "$golden" "$work/want/$base.png"
    done
    [ -e "$work/want/$base.png" ] || /usr/bin/glimmer-pcx convert "$f" "$work/want/$base.png" >/dev/null 2>&1 || true
done
cp "$data/malformed/cut-mid-row.pcx" "$work/shots/BROKEN.PCX"
# A session of its own: caches, the per-user data folder and the runtime folder are scratch.
env -i PATH=/usr/bin:/bin HOME="$work" XDG_CACHE_HOME="$work/cache" XDG_DATA_HOME="$work/data" \
    XDG_RUNTIME_DIR="$work" /usr/bin/python3 "$here/tests/e2e/lib/thumbnails.py" "$work" \
    BROKEN.PCX
if [ -n "${GLIMMER_SHOTS:-}" ]; then cp "$work/thumbnails.png" "$GLIMMER_SHOTS/"; fi
echo "$name: 1 passed, 0 failed"
