#!/usr/bin/env bash
# Installs the Debian packages Glimmer needs that are missing. Usage: install-deps.sh [build|test|...]
#   build: compiler, CMake, Qt 6 and the libraries the build links
#   package: also what dpkg-buildpackage needs for the Debian packages, and their build
#            dependencies as debian/control declares them
#   bench: also what the benchmarks compare with
#   tga: also the readers and writers of the TGA sets (bench/scripts/make_tga_sets.py)
#   test:  also the test, sanitizer, fuzzing and corpus-comparison tools
set -euo pipefail

# libxcb: whether the X11 window manager keeps windows on top; libdeflate and zlib: the PNG writer of
# glimmer-pcx; GdkPixbuf's headers: the loader module for GTK programs; libseccomp: the filter of
# the processes that decode untrusted files unattended.
build_pkgs=(g++ cmake ninja-build pkg-config qt6-base-dev libgl-dev libxcb1-dev libdeflate-dev zlib1g-dev libseccomp-dev
    libgtest-dev libgmock-dev libbenchmark-dev libgdk-pixbuf-2.0-dev)
# clang-14 + its runtime: libFuzzer; python3-pil: compares our pixels with Pillow's;
# Xvfb, openbox, xdotool, the X11 utilities and trayer: the end-to-end runs of the real
# program; CUPS and poppler-utils: the printing run, through a scheduler of its own.
x_pkgs=(xvfb openbox xdotool x11-utils x11-xserver-utils trayer)
# dbus, at-spi2-core and python3-pyatspi: the end-to-end runs find and press controls through
# the accessibility bus; clang-format: CI's formatting check; netpbm and ImageMagick: the
# corpus comparison's references for the kinds Pillow does not read; with FFmpeg, the readers
# that must read the PCX files glimmer-pcx writes alike. strace: a truncation or sync that
# fails under an in-place rewrite. python3-gi, GdkPixbuf's introspection data and the MIME
# database tool: the loader module's test, through the real GdkPixbuf library.
test_pkgs=(clang-14 libclang-rt-14-dev clang-format python3-pil "${x_pkgs[@]}" dbus at-spi2-core
    python3-pyatspi cups poppler-utils netpbm imagemagick ffmpeg strace python3-gi
    gir1.2-gdkpixbuf-2.0 shared-mime-info)
# dpkg-dev and debhelper: dpkg-buildpackage and dh (the build dependencies come from
# debian/control, below).
package_pkgs=(build-essential dpkg-dev debhelper)
# The package run: lintian, AppStream's and the desktop entry's validators, autopkgtest and
# what its tests need (xauth for xvfb-run), and GdkPixbuf read from Python
# and by its thumbnailer through the installed loader.
package_test_pkgs=(lintian appstream desktop-file-utils autopkgtest xauth python3-gi
    gir1.2-gdkpixbuf-2.0 libgdk-pixbuf2.0-bin)
# The thumbnail run: GNOME's thumbnail factory, which runs thumbnailers in bubblewrap.
thumbnail_pkgs=(python3-gi gir1.2-gnomedesktop-3.0 bubblewrap fonts-dejavu-core)
# The Wayland runs: a headless sway, grim for its screen, XWayland and Qt's Wayland platform;
# waybar: a real panel whose tray draws the icon's menu through libdbusmenu.
wayland_pkgs=(sway grim xwayland qt6-wayland waybar)
# The desktop run: Eye of GNOME, gThumb and tumbler read PCX through the GdkPixbuf loader.
desktop_pkgs=(eog gthumb tumbler)
test_pkgs+=("${package_pkgs[@]}" "${package_test_pkgs[@]}" "${thumbnail_pkgs[@]}" "${wayland_pkgs[@]}"
    "${desktop_pkgs[@]}")
screenshot_pkgs=("${x_pkgs[@]}" imagemagick)

pkgs=("${build_pkgs[@]}")
case "${1:-build}" in
test) pkgs+=("${test_pkgs[@]}") ;;
screenshots) pkgs+=("${screenshot_pkgs[@]}") ;;
package) pkgs+=("${package_pkgs[@]}") ;;
# FFmpeg's decoder and ImageMagick: what the benchmarks compare with; supertuxkart-data: the
# real textures and screenshots the 8-bit output is measured on (bench/scripts/make_real_set.py);
# the other libraries the shared peerbench tool builds its peers from, and netpbm for the
# pictures peerbench-kinds.sh makes.
bench) pkgs+=(libavcodec-dev imagemagick python3-pil python3-numpy pngquant supertuxkart-data
    netpbm libavutil-dev libsdl2-image-dev libmagickwand-dev libgraphicsmagick1-dev libfreeimage-dev
    libdevil-dev) ;;
# GIMP, ImageMagick, netpbm and Pillow: the TGA writers and readers the TGA sets are made and
# checked with (GIMP's TGA export needs a display: Xvfb); python3-gi and GdkPixbuf's
# introspection data: GdkPixbuf's own TGA loader.
tga) pkgs+=(gimp xvfb imagemagick netpbm python3-pil python3-numpy python3-gi gir1.2-gdkpixbuf-2.0) ;;
esac

# Installed, or installed with a trigger still to run (another install going on, e.g. one
# that refreshes GdkPixbuf's loader cache): nothing to do for it here.
missing=()
for p in "${pkgs[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null |
        grep -Eq "^install ok (installed|triggers-pending|triggers-awaited)$" || missing+=("$p")
done
# The source package's build dependencies, as debian/control declares them.
build_deps=false
case "${1:-build}" in
test | package)
    (cd "$(dirname "$0")/.." && dpkg-checkbuilddeps) >/dev/null 2>&1 || build_deps=true
    ;;
esac
[ ${#missing[@]} -eq 0 ] && [ "$build_deps" = false ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo=sudo
export DEBIAN_FRONTEND=noninteractive
# An install cut short (a machine stopped mid-way) leaves dpkg's journal or half-configured
# packages behind, and apt-get refuses every install until dpkg finishes them. So does an
# install going on, which dpkg is then asked again and again to wait for (for up to 10
# minutes), as dpkg does not wait for its lock; apt-get waits for it.
if [ -n "$(dpkg --audit 2>/dev/null)" ] || [ -n "$(ls -A /var/lib/dpkg/updates 2>/dev/null)" ]; then
    until=$((SECONDS + 600))
    until $sudo dpkg --configure -a 2>/dev/null; do
        [ "$SECONDS" -lt "$until" ] || { $sudo dpkg --configure -a; exit 1; }
        sleep 1
    done
fi
apt_get() { $sudo apt-get -o DPkg::Lock::Timeout=600 "$@"; }
apt_get update -qq
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    apt_get install -y -qq "${missing[@]}"
fi
if [ "$build_deps" = true ]; then
    echo "Installing the build dependencies of debian/control"
    apt_get build-dep -y -qq "$(cd "$(dirname "$0")/.." && pwd)"
fi
