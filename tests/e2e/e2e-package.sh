#!/usr/bin/env bash
# End-to-end check of the Debian package as a player meets it: installed with apt, `glimmer`
# started from /usr/bin for a user whose home is scratch, the program folder made in the
# user's data folder on first start (the samples and an empty imported/), a sample viewed and
# its pixels checked, a picture imported into that folder, the recent files across a second
# start, and the package removed again with nothing left but the user's data. Installing a
# package changes the machine, so this runs only in CI (CI=true) or with
# GLIMMER_TEST_PACKAGE=1. Usage: e2e-package.sh BUILD_DIR PACKAGE_BUILD_DIR
set -euo pipefail
name=e2e-package
source "$(dirname "$0")/lib/package.sh" "$name" "${2:?package build dir}"
source "$(dirname "$0")/lib/x-session.sh" "${1:?build dir}"
trap 'remove_package; cleanup' EXIT
install_package || fail "apt-get install $deb"

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

# Removed: nothing of the package stays, the user's folder does.
remove_package
for f in /usr/bin/glimmer /usr/bin/glimmer-pcx /usr/lib/glimmer /usr/share/applications/glimmer.desktop; do
    [ ! -e "$f" ] || fail "$f left after the package was removed"
done
[ -f "$data/imported/SUNSET.pcx" ] || fail "the user's imports went with the package"
echo "$name: 1 passed, 0 failed"
