#!/usr/bin/env bash
# Builds the Debian package of Glimmer (the viewer and its menu entry, glimmer-pcx with its
# thumbnailer entry and MIME types, and the icons, under /usr) into DIR and prints its path.
# Usage: package.sh DIR
set -euo pipefail
dir=$(realpath -m "${1:-build-package}") # from the caller's folder
cd "$(dirname "$0")/.."
scripts/install-deps.sh package >&2
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DBUILD_TESTING=OFF -DGLIMMER_BENCH=OFF -DGLIMMER_WERROR="${GLIMMER_WERROR:-OFF}" >/dev/null
cmake --build "$dir" -j "$(nproc)" --target glimmer-pcx glimmer >&2
rm -f "$dir"/glimmer_*.deb "$dir"/glimmer-pcx_*.deb
(cd "$dir" && cpack >&2)
ls "$dir"/glimmer_*.deb
