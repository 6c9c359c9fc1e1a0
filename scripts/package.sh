#!/usr/bin/env bash
# Builds the Debian package of Glimmer (the viewer and its menu entry, glimmer-pcx with its
# thumbnailer entry and MIME types, the GdkPixbuf loader, the icons, manual pages and AppStream
# data, under /usr)
# into DIR and prints its path. It is built with Debian's hardening flags, as a program that
# decodes untrusted files for the file manager should be.
# CMAKE_CXX_COMPILER_LAUNCHER=ccache in the environment makes a rebuild quicker.
# Usage: package.sh DIR
set -euo pipefail
dir=$(realpath -m "${1:-build-package}") # from the caller's folder
cd "$(dirname "$0")/.."
scripts/install-deps.sh package >&2
mkdir -p "$dir"
# Two builds in one folder would write over each other's files: the second waits.
exec {build_lock}>>"$dir/.package.lock"
flock -w 1800 "$build_lock" || { echo "package.sh: $dir is busy with another build" >&2; exit 1; }

export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
# Debian 12's dpkg stops at fortify level 2; GCC 12 and glibc 2.36 have level 3, which checks
# also the buffers whose size is known only at run time (the decoder's rows and planes).
cxxflags=${cxxflags//-D_FORTIFY_SOURCE=2/-D_FORTIFY_SOURCE=3}
ldflags=$(dpkg-buildflags --get LDFLAGS)
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" \
    -DCMAKE_SHARED_LINKER_FLAGS="$ldflags" -DCMAKE_MODULE_LINKER_FLAGS="$ldflags" \
    -DGLIMMER_MAN_PAGES=ON -DBUILD_TESTING=OFF -DGLIMMER_BENCH=OFF \
    -DGLIMMER_WERROR="${GLIMMER_WERROR:-OFF}" >/dev/null
cmake --build "$dir" -j "$(nproc)" --target glimmer-pcx glimmer pixbufloader-pcx glimmer-pcx-man \
    glimmer-man glimmer-changelog >&2

# CPack writes into a folder of its own, and the package is renamed into DIR only when whole:
# an install that reads DIR's package meanwhile sees the old one or the new, never a part.
out=$dir/cpack-out
rm -rf "$out"
(cd "$dir" && cpack -B "$out" >&2)
new=("$out"/glimmer_*.deb)
[ ${#new[@]} -eq 1 ] && [ -f "${new[0]}" ] || { echo "package.sh: cpack made ${new[*]}" >&2; exit 1; }
for old in "$dir"/glimmer_*.deb "$dir"/glimmer-pcx_*.deb; do
    [ "$(basename "$old")" = "$(basename "${new[0]}")" ] || rm -f "$old"
done
mv -f "${new[0]}" "$dir/"
rm -rf "$out"
echo "$dir/$(basename "${new[0]}")"
