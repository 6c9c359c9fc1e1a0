#!/usr/bin/env bash
# End-to-end check of the Debian packages as a player meets them: lintian finds nothing to say
# against the source package and the binaries (the .changes); the loader's package brings no
# Qt package beside Eye of GNOME; autopkgtest's tests pass against the installed packages;
# installed with apt, `glimmer` started from /usr/bin for a user whose home is scratch, the
# program folder made in the user's data folder on first start (the samples and an empty
# imported/), a sample viewed and its pixels checked, a picture imported into that folder, the
# recent files across a second start; GdkPixbuf's loader cache (refreshed by its dpkg trigger)
# lists the PCX loader, and a GTK program reads PCX and DCX pictures through it; and the
# packages removed again with nothing left but the user's data, the loader cache without the
# loader. Installing packages changes the machine, so this runs only in CI (CI=true) or with
# GLIMMER_TEST_PACKAGE=1. Usage: e2e-package.sh BUILD_DIR PACKAGE_BUILD_DIR
set -euo pipefail
name=e2e-package
source "$(dirname "$0")/lib/package.sh" "$name" "${2:?package build dir}"
source "$(dirname "$0")/lib/x-session.sh" "${1:?build dir}"
trap 'remove_package || true; cleanup' EXIT
# Errors, warnings and infos alike: the hardening tags are infos.
lintian --fail-on error,warning,info -I --pedantic "${changes[@]}" >"$work/lintian.log" 2>&1 ||
    fail "lintian: $(grep -v 'running with root privileges' "$work/lintian.log")"
/usr/bin/python3 "$here/bench/scripts/package_footprint.py" "${debs[@]}" --no-qt-in-loader \
    >"$work/footprint.log" 2>&1 || fail "$(cat "$work/footprint.log")"
# The loader alone, as a GNOME user installs it beside Eye of GNOME: eog opens every PCX kind of
# the test pictures through it (those with alpha, which eog lays on a checkerboard, are read
# pixel for pixel by autopkgtest's GdkPixbuf test), and removed, the loader cache lists it no
# more.
$package_sudo touch "$package_mark"
apt_get install -y -qq "$package_copy"/glimmer-gdk-pixbuf_*.deb >/dev/null ||
    fail "apt-get install glimmer-gdk-pixbuf"
mkdir "$work/kinds"
wants=()
for golden in "$here"/tests/data/pcx/*.png "$here"/tests/data/kinds/*.png; do
    picture=${golden%.png}.pcx
    [ -e "$picture" ] || continue
    /usr/bin/python3 -c 'import sys; from PIL import Image; sys.exit(Image.open(sys.argv[1]).mode in ("RGBA", "LA", "PA"))' \
        "$golden" || continue
    cp "$picture" "$work/kinds/$(printf '%02d' ${#wants[@]})-$(basename "$picture")"
    wants+=("$golden")
done
[ ${#wants[@]} -gt 25 ] || fail "only ${#wants[@]} PCX kinds with a golden picture"
HOME=$work GSETTINGS_BACKEND=memory GIO_USE_VFS=local eog "$work"/kinds/*.pcx >>"$work/eog.log" 2>&1 &
eog_pid=$!
pids+=($eog_pid)
/usr/bin/python3 "$here/tests/e2e/lib/desktop.py" gallery 20 "$work/eog.png" "${wants[@]}" \
    >"$work/gallery.log" 2>&1 || fail "Eye of GNOME with the loader alone: $(cat "$work/gallery.log")"
echo "$name: Eye of GNOME with the loader alone: $(cat "$work/gallery.log")"
kill "$eog_pid" && wait "$eog_pid" 2>/dev/null || true
cache=$(ls /usr/lib/*/gdk-pixbuf-2.0/2.10.0/loaders.cache | head -n 1)
grep -q pixbufloader-pcx "$cache" || fail "$cache does not list the loader of glimmer-gdk-pixbuf"
apt_get purge -y -qq glimmer-gdk-pixbuf >/dev/null || fail "apt-get purge glimmer-gdk-pixbuf"
! grep -q pixbufloader-pcx "$cache" || fail "$cache lists the loader after glimmer-gdk-pixbuf went"

# The source package's own tests, on this machine, against the packages just built: autopkgtest
# installs them, as a user would.
# Its apt-get update does not wait for apt's lists lock: when another apt held it (an unattended
# upgrade), it runs again once the lock is free.
$package_sudo touch "$package_mark"
autopkgtest_run() { autopkgtest "${changes[@]}" -- null >"$work/autopkgtest.log" 2>&1; }
apt_lists_free() {
    $package_sudo timeout 600 python3 -c 'import fcntl; fcntl.lockf(open("/var/lib/apt/lists/lock", "w"), fcntl.LOCK_EX)'
}
autopkgtest_run || { grep -q "Could not get lock" "$work/autopkgtest.log" && apt_lists_free &&
    autopkgtest_run; } || fail "autopkgtest: $(tail -30 "$work/autopkgtest.log")"
install_package || fail "apt-get install ${debs[*]}"
appstreamcli validate --no-net --pedantic /usr/share/metainfo/example.quillon.glimmer.metainfo.xml \
    >"$work/appstream.log" 2>&1 || fail "appstreamcli: $(cat "$work/appstream.log")"
desktop-file-validate /usr/share/applications/glimmer.desktop >"$work/desktop.log" 2>&1 ||
    fail "desktop-file-validate: $(cat "$work/desktop.log")"

# GdkPixbuf reads PCX pictures through the loader in every program, without a word from the
# program: the system's loader cache, as a user's GTK program finds it.
loader=$(dpkg -L glimmer-gdk-pixbuf | grep '/loaders/libpixbufloader-pcx\.so$') ||
    fail "no loader in glimmer-gdk-pixbuf"
cache=$(dirname "$(dirname "$loader")")/loaders.cache
grep -qF "\"$loader\"" "$cache" || fail "$cache does not list $loader"
tests_data=$here/tests/data
pixbuf_py() {
    env -i PATH=/usr/bin:/bin HOME="$work" /usr/bin/python3 - "$@"
}
pixbuf_py "$tests_data" <<'PY' || fail "PCX and DCX through GdkPixbuf"
import sys
import gi
gi.require_version("GdkPixbuf", "2.0")
from gi.repository import GdkPixbuf
data = sys.argv[1]
def rgba(pixbuf):
    w, h, n, stride = pixbuf.get_width(), pixbuf.get_height(), pixbuf.get_n_channels(), pixbuf.get_rowstride()
    b = pixbuf.get_pixels()
    return w, h, [tuple(b[y * stride + x * n:y * stride + x * n + 3]) + ((b[y * stride + x * n + 3],) if n == 4 else (255,))
                  for y in range(h) for x in range(w)]
# Beyond the viewer's kinds: 4-bit from GIMP, alpha planes, a DCX file's first page.
for picture, golden in [("kinds/gimp-4bit.pcx", "kinds/gimp-4bit.png"),
                        ("kinds/kde-dice_rgba.pcx", "kinds/kde-dice_rgba.png"),
                        ("kinds/magick-pages.dcx", "kinds/magick-pages-1.png"),
                        ("pcx/256-palette.pcx", "pcx/256-palette.png")]:
    got = rgba(GdkPixbuf.Pixbuf.new_from_file(f"{data}/{picture}"))
    want = rgba(GdkPixbuf.Pixbuf.new_from_file(f"{data}/{golden}"))
    assert got[:2] == want[:2], f"{picture}: {got[:2]}, not {want[:2]}"
    bad = sum(a != b for a, b in zip(got[2], want[2]))
    assert bad == 0, f"{picture}: {bad} pixels differ from {golden}"
PY
# GNOME's image thumbnailer, where it is there, reads them through the loader too.
if [ -x /usr/bin/gdk-pixbuf-thumbnailer ]; then
    env -i PATH=/usr/bin:/bin HOME="$work" /usr/bin/gdk-pixbuf-thumbnailer -s 64 \
        /usr/lib/glimmer/ARENA.PCX "$work/thumb.png" || fail "gdk-pixbuf-thumbnailer on a PCX"
    pixbuf_py "$work/thumb.png" <<'PY' || fail "gdk-pixbuf-thumbnailer's thumbnail"
import sys
import gi
gi.require_version("GdkPixbuf", "2.0")
from gi.repository import GdkPixbuf
fmt, w, h = GdkPixbuf.Pixbuf.get_file_info(sys.argv[1])
assert fmt and fmt.get_name() == "png" and max(w, h) == 64, (fmt and fmt.get_name(), w, h)
PY
fi

home=$work/home
data=$home/.local/share/glimmer
mkdir -p "$home"
start_installed() {
    (cd "$work" && exec env -u XDG_DATA_HOME HOME="$home" /usr/bin/glimmer "$@") \
        >>"$work/glimmer.log" 2>&1 &
    app=$!
    pids+=($app)
}
/usr/bin/glimmer-pcx convert /usr/lib/glimmer/DUSK.PCX "$work/DUSK.png" >/dev/null

# First start: the program folder is made in the user's data folder, and the browser opens there.
start_installed
atspi_py "$work" "$data" <<'PY' || fail "the first start"
import os
import sys
import atspi as A
import glimmer as G
work, data = sys.argv[1:3]
app = A.app()
pictures = G.open_page(app)
A.wait(lambda: G.list_entries(pictures) == ["ARENA.PCX", "DUSK.PCX", "FLAT.PCX"], 10,
       lambda: f"the samples in {data} (listed: {G.list_entries(pictures)})")
assert sorted(os.listdir(data)) == ["ARENA.PCX", "DUSK.PCX", "FLAT.PCX", "chat2.gif", "imported"], os.listdir(data)
assert os.listdir(f"{data}/imported") == []
G.pick(pictures, "DUSK.PCX")
window = G.view(app)
G.expect_shown(app, window, G.load_rgb(f"{work}/DUSK.png"), "DUSK.PCX shown")
G.command(app, window, "File", "Exit")
G.picture_closed(app)
PY
end_glimmer || fail "$end_reason"

# Second start: an import lands in the user's imported/, and the recent files are kept there.
mkdir "$data/pictures"
cp "$data/FLAT.PCX" "$data/pictures/SUNSET.PCX"
start_installed
atspi_py "$data" <<'PY' || fail "import and recent files"
import sys
import atspi as A
import glimmer as G
data = sys.argv[1]
app = A.app()
pictures = G.open_page(app)
G.enter_folder(app, "pictures", pictures, ["SUNSET.PCX"])
G.pick(pictures, "SUNSET.PCX")
copy = f"{data}/imported/SUNSET.pcx"
G.import_picture(app, copy, f"{data}/pictures/SUNSET.PCX", f"{copy} holding the picture")
window = G.view(app)
recent = G.recent_entries(app, window)
assert any(r.endswith(". DUSK.PCX") for r in recent), f"recent files after a second start: {recent}"
G.command(app, window, "File", "Exit")
G.picture_closed(app)
PY
end_glimmer || fail "$end_reason"
[ -f "$data/glimmer.mru" ] || fail "no glimmer.mru in $data"

# Removed: nothing of the packages stays, the user's folder does.
remove_package || fail "apt-get purge $package_names"
for f in /usr/bin/glimmer /usr/bin/glimmer-pcx /usr/lib/glimmer /usr/share/applications/glimmer.desktop \
    /usr/share/metainfo/example.quillon.glimmer.metainfo.xml "$loader" \
    /usr/share/mime/packages/glimmer-gdk-pixbuf.xml /usr/share/thumbnailers/glimmer.thumbnailer; do
    [ ! -e "$f" ] || fail "$f left after the package was removed"
done
! grep -q pixbufloader-pcx "$cache" || fail "$cache lists the loader after the package was removed"
[ -f "$data/imported/SUNSET.pcx" ] || fail "the user's imports went with the package"
echo "$name: 1 passed, 0 failed"
