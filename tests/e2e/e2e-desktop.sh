#!/usr/bin/env bash
# End-to-end check of the GdkPixbuf loader in the desktop's own programs, used as it is
# without installing: GDK_PIXBUF_MODULE_FILE names the loader cache of the build.
#   Eye of GNOME opens a 4-bit picture written by GIMP, a kind the viewer refuses, and gThumb
#   a DCX file; the screen shows the picture's pixels (the DCX file's first page), found
#   wherever the program put them.
#   tumbler, asked over the session bus as Thunar asks it, makes normal thumbnails of PCX
#   files and of a DCX file's first page with the pictures' pixels, through its GdkPixbuf
#   plugin alone (the others, the thumbnailer entries among them, switched off).
# Everything runs in a scratch folder on a private X server and session bus; settings stay
# in memory. GLIMMER_SHOTS=DIR keeps the screenshots there; GLIMMER_PIXBUF_CACHE=FILE takes
# another loader cache (the system's: every check must fail).
# Usage: e2e-desktop.sh BUILD_DIR
source "$(dirname "$0")/lib/x-session.sh" "${1:?build dir}"
name=e2e-desktop
loaders=${GLIMMER_PIXBUF_CACHE:-$build/pixbuf/loaders.cache}
[ -s "$loaders" ] || { echo "$name FAIL: no loader cache at $loaders"; exit 1; }
pcx=$build/cli/glimmer-pcx
data=$here/tests/data
desktop_py() { /usr/bin/python3 "$here/tests/e2e/lib/desktop.py" "$@"; }
failed=0
passed=0
report() { # OK WHAT [LOG]
    if [ "$1" = 0 ]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "$name FAIL: $2"
        [ -n "${3:-}" ] && { echo "--- $3:"; cat "$work/$3" 2>/dev/null || true; }
    fi
}

# The programs' homes, settings and recent files: scratch, or in memory; GIO keeps to local
# files instead of asking for the desktop's file system daemons.
export HOME=$work/home XDG_DATA_HOME=$work/data GSETTINGS_BACKEND=memory GIO_USE_VFS=local
mkdir -m 700 "$HOME"
mkdir "$work/pictures"

# The program's window as the window manager lists it: not a pop-up or a helper window,
# which the program may make and destroy while it is searched for.
managed_window() { # PID
    local w
    for w in $(xprop -root _NET_CLIENT_LIST | grep -o '0x[0-9a-f]*'); do
        if [ "$(xprop -id "$w" _NET_WM_PID 2>/dev/null | grep -o '[0-9]*$')" = "$1" ]; then
            echo "$w"
            return 0
        fi
    done
    return 1
}

# Opens a picture in a program and checks that the screen shows WANT, wherever the program
# put it; with close, then closes the program as a user does, and it must end cleanly with
# the loader in it (otherwise the run's clean-up ends it).
shows() { # LABEL WANT close|leave COMMAND...
    local label=$1 want=$2 close=$3 ok=0 pid window
    shift 3
    GDK_PIXBUF_MODULE_FILE=$loaders "$@" >>"$work/$label.log" 2>&1 &
    pid=$!
    pids+=($pid)
    desktop_py find "$want" 30 "$work/$label.png" >"$work/$label.find" 2>&1 || ok=1
    if [ -n "${GLIMMER_SHOTS:-}" ]; then cp "$work/$label.png" "$GLIMMER_SHOTS/"; fi
    if [ "$ok" = 0 ] && [ "$close" = close ]; then
        if window=$(managed_window "$pid") && wm_close "$window"; then
            ended() { ! kill -0 "$pid" 2>/dev/null; }
            if ! wait_until 15 ended; then
                ok=1
                echo "it kept running after its window was closed" >>"$work/$label.find"
            elif ! wait "$pid"; then
                ok=1
                echo "it ended with a status other than 0" >>"$work/$label.find"
            fi
        else
            ok=1
            echo "it has no window the window manager could close" >>"$work/$label.find"
        fi
    fi
    report "$ok" "$label: $(tail -n 1 "$work/$label.find")" "$label.log"
}

# Eye of GNOME: a kind the viewer refuses, at its own size (eog shrinks only larger pictures).
cp "$data/kinds/gimp-4bit.pcx" "$work/pictures/"
"$pcx" convert "$work/pictures/gimp-4bit.pcx" "$work/gimp-4bit.png" >/dev/null
shows eog-gimp-4bit "$work/gimp-4bit.png" close eog "$work/pictures/gimp-4bit.pcx"

# gThumb: a DCX file's first page (its second is another picture). gThumb lists a file as a
# picture by its MIME type, so the package's MIME entries go into the scratch data folder.
mkdir -p "$XDG_DATA_HOME/mime/packages"
cp "$here/cli/data/glimmer-pcx.xml" "$XDG_DATA_HOME/mime/packages/"
update-mime-database "$XDG_DATA_HOME/mime" >/dev/null
# Alone in its folder: gThumb's film strip shows the folder's other pictures, and the first
# page is gimp-4bit.pcx's picture. gThumb 3.12 is left open: closed while it still reads,
# it now and then crashes, unloading one of its extensions under a thread that runs it (a
# TGA picture through GdkPixbuf's own loader does it too).
mkdir "$work/dcx"
cp "$data/kinds/magick-pages.dcx" "$work/dcx/"
shows gthumb-magick-pages "$data/kinds/magick-pages-1.png" leave gthumb "$work/dcx/magick-pages.dcx"

# tumbler: its GdkPixbuf plugin and nothing else, so that the thumbnails can come from the
# loader only; the thumbnailer entries of XDG_DATA_DIRS (the package's among them) stay out.
mkdir -p "$work/xdg/tumbler" "$work/no-data"
for plugin in JPEG Raw Pixbuf Cover Ffmpeg Gst Font Poppler Odf Epub Desktop; do
    disabled=true
    [ "$plugin" = Pixbuf ] && disabled=false
    printf '[%sThumbnailer]\nDisabled=%s\nPriority=1\nLocations=\nExcludes=\nMaxFileSize=0\n\n' \
        "$plugin" "$disabled"
done >"$work/xdg/tumbler/tumbler.rc"
jobs=()
for f in kinds/gimp-4bit.pcx kinds/kde-16color.pcx kinds/magick-pages.dcx kinds/commons-oregon.dcx; do
    cp "$data/$f" "$work/pictures/"
    base=$(basename "$f")
    want=$data/${f%.*}.png
    [ -e "$want" ] || want=$data/${f%.*}-1.png
    # The types Thunar passes: GIO's for a PCX, the package's MIME entry's for a DCX.
    case $f in *.pcx) mime=image/vnd.zbrush.pcx ;; *.dcx) mime=image/x-dcx ;; esac
    jobs+=("$want" "$work/pictures/$base" "$mime")
done
# Started by hand: the private bus activates nothing.
tumblerd=$(ls /usr/lib/*/tumbler-1/tumblerd | head -n 1)
GDK_PIXBUF_MODULE_FILE=$loaders XDG_CONFIG_DIRS=$work/xdg XDG_DATA_DIRS=$work/no-data \
    XDG_CACHE_HOME=$work/thumbs "$tumblerd" \
    >>"$work/tumbler.log" 2>&1 &
pids+=($!)
tumbler_up() {
    dbus-send --session --print-reply=literal --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner string:org.freedesktop.thumbnails.Thumbnailer1 2>/dev/null |
        grep -q true
}
ok=0
if wait_until 30 tumbler_up; then
    XDG_CACHE_HOME=$work/thumbs desktop_py thumbnail 60 "${jobs[@]}" >"$work/thumbnail.log" 2>&1 || ok=1
else
    ok=1
    echo "tumblerd did not take its name on the session bus" >"$work/thumbnail.log"
fi
cat "$work/thumbnail.log"
report "$ok" "tumbler's thumbnails" tumbler.log

echo "$name: $passed passed, $failed failed"
[ "$failed" = 0 ]
