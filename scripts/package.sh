#!/usr/bin/env bash
# Builds Glimmer's Debian packages from its source package (debian/) with dpkg-buildpackage:
# the source package, and the binary packages glimmer (the viewer), glimmer-pcx (converter and
# thumbnailer) and glimmer-gdk-pixbuf (the GdkPixbuf loader), with their -dbgsym packages,
# all into DIR. Prints the paths of the three binary packages, one a line.
# The source is the files git tracks or would track (changes not yet committed included), copied
# into a folder of its own, so that no build folder of the checkout enters the source package;
# the packages are built again only when that source changed.
# Usage: package.sh DIR
set -euo pipefail
dir=$(realpath -m "${1:-build-package}") # from the caller's folder
cd "$(dirname "$0")/.."
scripts/install-deps.sh package >&2
mkdir -p "$dir"
# Two builds in one folder would write over each other's files: the second waits.
exec {build_lock}>>"$dir/.package.lock"
flock -w 1800 "$build_lock" || { echo "package.sh: $dir is busy with another build" >&2; exit 1; }

version=$(dpkg-parsechangelog -S Version)
arch=$(dpkg --print-architecture)
debs=()
for p in glimmer glimmer-pcx glimmer-gdk-pixbuf; do debs+=("$dir/${p}_${version}_$arch.deb"); done
# The source: the files git tracks or would track, as they are now (names and contents).
source_files() {
    git ls-files -z --cached --others --exclude-standard |
        while IFS= read -r -d '' f; do [ -e "$f" ] || [ -L "$f" ] && printf '%s\0' "$f"; done
}
# Packages built from this very source are not built again (the package runs each ask).
sum=$(source_files | tar --null -T - --sort=name --mtime=@0 --owner=0 --group=0 --numeric-owner \
    -cf - | sha256sum | cut -d' ' -f1)
if [ "$(cat "$dir/source.sha256" 2>/dev/null)" = "$sum" ] && ls "${debs[@]}" >/dev/null 2>&1; then
    printf '%s\n' "${debs[@]}"
    exit 0
fi
src=$dir/glimmer-$version
rm -rf "$src" "$dir/source.sha256" "$dir"/glimmer_* "$dir"/glimmer-pcx_* "$dir"/glimmer-gdk-pixbuf_* \
    "$dir"/glimmer-dbgsym_* "$dir"/glimmer-pcx-dbgsym_* "$dir"/glimmer-gdk-pixbuf-dbgsym_*
mkdir "$src"
source_files | tar --null -T - -cf - | tar -xf - -C "$src"
(cd "$src" && DEB_BUILD_OPTIONS="parallel=$(nproc) ${DEB_BUILD_OPTIONS:-}" \
    dpkg-buildpackage -us -uc >"$dir/build.log" 2>&1) ||
    { tail -40 "$dir/build.log" >&2; echo "package.sh: dpkg-buildpackage failed: $dir/build.log" >&2; exit 1; }
rm -rf "$src"
for deb in "${debs[@]}"; do
    [ -f "$deb" ] || { echo "package.sh: no $deb" >&2; exit 1; }
done
echo "$sum" >"$dir/source.sha256"
printf '%s\n' "${debs[@]}"
