#!/usr/bin/env bash
# What `cmake --install` lays out: the program folder, the commands, the menu entry, the
# thumbnailer and the icons. (The Debian packages: tests/e2e/e2e-package.sh.)
set -u
build=${1:?build dir}
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null || { echo "install failed"; exit 1; }
passed=0 failed=0
check() {
    if eval "$2"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL: $1"; fi
}
check "program folder" '[ -x "$prefix/lib/glimmer/glimmer" ] && [ -f "$prefix/lib/glimmer/chat2.gif" ]'
check "samples" 'ls "$prefix/lib/glimmer/"*.PCX >/dev/null 2>&1'
check "empty import folder" '[ -d "$prefix/lib/glimmer/imported" ] && [ -z "$(ls -A "$prefix/lib/glimmer/imported")" ]'
check "command links into the program folder" '[ "$(readlink "$prefix/bin/glimmer")" = ../lib/glimmer/glimmer ] && [ -x "$prefix/bin/glimmer" ]'
check "glimmer-pcx" '[ -x "$prefix/bin/glimmer-pcx" ]'
# Without any display to open: --version and -h answer and end.
nodisplay() { env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$prefix/bin/glimmer" "$@" 2>/dev/null; }
check "glimmer --version and -h without a display" 'nodisplay --version | grep -q "^glimmer [0-9]" && nodisplay -h | grep -q "^Usage:"'
desktop=$prefix/share/applications/glimmer.desktop
check "menu entry opens PCX files" 'grep -qx "MimeType=image/vnd.zbrush.pcx;image/x-pcx;" "$desktop"'
# The prefix is given only now, at install time: the entry must name the command under it.
check "menu entry runs the installed command" 'grep -qxF "Exec=$prefix/bin/glimmer %f" "$desktop"'
check "icons" '[ -f "$prefix/share/icons/hicolor/32x32/apps/glimmer.png" ] && [ -f "$prefix/share/icons/hicolor/128x128/apps/glimmer.png" ]'
thumbnailer=$prefix/share/thumbnailers/glimmer.thumbnailer
check "thumbnailer runs the installed glimmer-pcx" 'grep -qxF "Exec=$prefix/bin/glimmer-pcx thumbnail -s %s %i %o" "$thumbnailer" && grep -qxF "TryExec=$prefix/bin/glimmer-pcx" "$thumbnailer"'
check "thumbnailer serves PCX and DCX" 'grep -qx "MimeType=image/vnd.zbrush.pcx;image/x-pcx;image/x-dcx;" "$thumbnailer" && [ -f "$prefix/share/mime/packages/glimmer-pcx.xml" ]'
echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
