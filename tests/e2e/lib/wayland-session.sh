# Sourced by the scripts that drive the real program on Wayland: a headless sway (wlroots'
# headless back end, pixman renderer) with XWayland, besides what session.sh sets
# up. The program picks its platform itself, as on a user's desktop. sway refuses to run as
# root: then the run goes on as nobody (uid 65534), from copies of the scripts and the
# program it can read, as the checkout may lie in a folder only root may enter. Sets
# WAYLAND_DISPLAY, SWAYSOCK and DISPLAY.
# Usage: source wayland-session.sh BUILD_DIR [ARG]   (ARG is the sourcing script's)
set -euo pipefail
if [ "$(id -u)" = 0 ]; then
    stage=$(mktemp -d)
    chmod 755 "$stage"
    mkdir -p "$stage/build/cli" "$stage/tests"
    cp -r "$(dirname "${BASH_SOURCE[0]}")/.." "$stage/tests/e2e"
    cp -r "${1:?build dir}/app" "$stage/build/app"
    cp "$1/cli/glimmer-pcx" "$stage/build/cli/"
    chmod -R a+rX "$stage"
    # The run ends with this script however this script ends, and only then do its copies go.
    child=
    trap '[ -n "$child" ] && kill "$child" 2>/dev/null; wait; rm -rf "$stage"' EXIT
    trap 'exit 130' INT TERM HUP
    cd "$stage"
    setpriv --reuid=65534 --regid=65534 --clear-groups \
        bash "$stage/tests/e2e/$(basename "$0")" "$stage/build" "${@:2}" &
    child=$!
    status=0
    wait "$child" || status=$?
    child=
    exit $status
fi
source "$(dirname "${BASH_SOURCE[0]}")/session.sh" "$1"
unset DISPLAY
export HOME=$work/home
mkdir -m 700 "$HOME"
start_buses

# Every window floats, as on the stacking desktops most players use.
cat >"$work/sway.config" <<CONF
output HEADLESS-1 resolution 1024x768 position 0 0
for_window [title=".*"] floating enable
xwayland enable
CONF
WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
    sway -c "$work/sway.config" >>"$work/sway.log" 2>&1 &
pids+=($!)
sway_up() {
    local s
    for s in "$XDG_RUNTIME_DIR"/wayland-*; do
        [ -S "$s" ] && WAYLAND_DISPLAY=$(basename "$s")
    done
    for s in "$XDG_RUNTIME_DIR"/sway-ipc.*.sock; do
        [ -S "$s" ] && SWAYSOCK=$s
    done
    [ -n "${WAYLAND_DISPLAY:-}" ] && [ -n "${SWAYSOCK:-}" ] &&
        SWAYSOCK=$SWAYSOCK swaymsg -t get_outputs >/dev/null 2>&1
}
wait_until 15 sway_up || {
    echo "$0: sway did not start:" >&2
    cat "$work/sway.log" >&2
    exit 1
}
export WAYLAND_DISPLAY SWAYSOCK

# Says why the run failed, with what the program wrote, its windows and controls, and ends
# the run.
fail() {
    echo "$(basename "$0" .sh) FAIL: $*"
    echo "--- glimmer's output:"
    cat "$work/glimmer.log" 2>/dev/null || true
    if kill -0 "${app:-0}" 2>/dev/null; then
        echo "--- its windows, as sway places them:"
        PYTHONPATH="$here/tests/e2e/lib" /usr/bin/python3 "$here/tests/e2e/lib/sway.py" windows "$app" || true
        echo "--- its controls, as AT-SPI shows them:"
        atspi_dump | head -n 80
    else
        echo "(glimmer is not running)"
    fi
    echo "--- sway's output (last lines):"
    tail -n 20 "$work/sway.log"
    exit 1
}

# sway tells its X display only to what it starts.
swaymsg exec "echo \$DISPLAY >$work/xdisplay" >/dev/null
x_known() { [ -s "$work/xdisplay" ]; }
wait_until 15 x_known || fail "sway started no XWayland"
DISPLAY=$(cat "$work/xdisplay")
export DISPLAY
