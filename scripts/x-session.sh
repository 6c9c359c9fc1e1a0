# Sourced by the scripts that drive the real program: a private X server (Xvfb) with openbox,
# a private session bus and accessibility bus (AT-SPI), a scratch folder and a copy of the
# program folder in it. Sets work, prog, DISPLAY, XDG_RUNTIME_DIR, DBUS_SESSION_BUS_ADDRESS
# and a11y_bus; everything started is ended when the script exits.
# Usage: source x-session.sh BUILD_DIR [PROGRAM_FOLDER]
set -euo pipefail
trap 'echo "$0: failed at line $LINENO: $BASH_COMMAND" >&2' ERR
build=$(cd "${1:?build dir}" && pwd)
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
work=$(mktemp -d)
prog=${2:-$work/prog}
pids=()

# Every process of this run carries this mark in its environment, so that the clean-up can
# find what the buses started on their own (the accessibility registry) and see it ended.
export GLIMMER_E2E_SESSION=$work
session_pids() {
    local f p
    for f in /proc/[0-9]*/environ; do
        p=${f#/proc/}
        p=${p%/environ}
        [ "$p" = $$ ] || [ "$p" = "$BASHPID" ] && continue
        grep -qzx "GLIMMER_E2E_SESSION=$work" "$f" 2>/dev/null || continue
        # Zombies are ended already; their parent reaps them.
        [[ $(cut -d' ' -f3 "/proc/$p/stat" 2>/dev/null || echo X) == [ZX] ]] || echo "$p"
    done
}
cleanup() {
    local i left
    # Latest first: the program before the buses it talks to, the buses before X.
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
    for _ in $(seq 100); do
        left=$(session_pids)
        [ -z "$left" ] && break
        sleep 0.1
    done
    if [ -n "$left" ]; then
        echo "$0: processes of this run still running, ended now:" >&2
        for i in $left; do
            tr '\0' ' ' <"/proc/$i/cmdline" >&2 2>/dev/null && echo >&2
            kill -9 "$i" 2>/dev/null || true
        done
    fi
    rm -rf "$work" "$prog"
}
trap cleanup EXIT

# A private copy of the program folder, so a run writes nothing into the build.
mkdir -p "$prog"
cp -r "$build/app/." "$prog"
rm -rf "$prog/CMakeFiles" "$prog/glimmer_autogen" "$prog/cmake_install.cmake"

# Xvfb picks a free display itself and tells its number once it is ready; -noreset keeps it
# from restarting (and refusing connections meanwhile) each time its last client leaves.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" >/dev/null 2>&1 &
pids+=($!)
timeout 10 bash -c "until [ -s '$work/display' ]; do sleep 0.1; done"
export DISPLAY=:$(cat "$work/display")
timeout 10 bash -c "until xdpyinfo >/dev/null 2>&1; do sleep 0.1; done"
export XDG_RUNTIME_DIR=$work/run
# openbox and Qt keep caches and settings: in the scratch folder, not the user's home.
export XDG_CACHE_HOME=$work/cache XDG_CONFIG_HOME=$work/config
mkdir -m 700 "$XDG_RUNTIME_DIR"

# A session bus of this run alone, listening in the scratch folder. It activates no services:
# nothing of the desktop's (settings daemons, portals) starts behind the run's back.
mkdir -m 700 "$work/bus"
cat >"$work/session-bus.conf" <<XML
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=$work/bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
XML
# Not --fork: a forked daemon leaves the run's process group and would outlive a run that
# is killed outright.
dbus-daemon --config-file="$work/session-bus.conf" --nofork --print-address=3 \
    3>"$work/bus.address" >/dev/null 2>"$work/bus.log" &
pids+=($!)
timeout 10 bash -c "until [ -s '$work/bus.address' ]; do sleep 0.1; done" || {
    echo "$0: the session bus did not start:" >&2
    cat "$work/bus.log" >&2
    exit 1
}
DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$work/bus.address")
export DBUS_SESSION_BUS_ADDRESS
unset DBUS_SYSTEM_BUS_ADDRESS AT_SPI_BUS_ADDRESS SESSION_MANAGER

# The accessibility bus beside it (its socket under XDG_RUNTIME_DIR); settings in memory only.
GSETTINGS_BACKEND=memory /usr/libexec/at-spi-bus-launcher --launch-immediately \
    >>"$work/at-spi.log" 2>&1 &
pids+=($!)
a11y_address() {
    dbus-send --session --print-reply=literal --dest=org.a11y.Bus /org/a11y/bus \
        org.a11y.Bus.GetAddress 2>/dev/null | tr -d ' '
}
timeout 15 bash -c "$(declare -f a11y_address); until [ -n \"\$(a11y_address)\" ]; do sleep 0.1; done" || {
    echo "$0: the accessibility bus did not start:" >&2
    cat "$work/at-spi.log" >&2
    exit 1
}
# Not exported as AT_SPI_BUS_ADDRESS: Qt then joins that bus without announcing itself to
# the registry, and no client sees it. Programs find the bus through the session bus.
a11y_bus=$(a11y_address)
# Qt answers on the accessibility bus without waiting for a screen reader to ask.
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1

# Windows mapped before the window manager is ready can stay unmapped: wait for it, and
# start it once more if it did not come up.
wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
for attempt in 1 2; do
    openbox >>"$work/openbox.log" 2>&1 &
    pids+=($!)
    timeout 15 bash -c "$(declare -f wm_ready); until wm_ready; do sleep 0.1; done" && break
    echo "$0: the window manager did not start (attempt $attempt):" >&2
    cat "$work/openbox.log" >&2
    [ "$attempt" = 2 ] && exit 1
done

# Starts glimmer from the program folder with the given arguments; sets app to its pid.
# A second start adds to the same log.
start_glimmer() {
    (cd "$work" && exec "$prog/glimmer" "$@") >>"$work/glimmer.log" 2>&1 &
    app=$!
    pids+=($app)
}

# Polls a condition until it holds or the seconds run out: wait_until SECONDS COMMAND...
wait_until() {
    local end=$((SECONDS + $1))
    shift
    until "$@"; do
        [ "$SECONDS" -ge "$end" ] && return 1
        sleep 0.1
    done
}

# Closes the browser as a user does, Alt+F4 through the window manager, and waits for the
# program to end with status 0; otherwise returns 1 with the reason in end_reason.
# Asks the window manager to close WINDOW, as its close button or a task bar does: it sends
# the program WM_DELETE_WINDOW. (alt+F4 through xdotool was now and then lost before it
# reached the window manager, with the browser focused and no grab held.)
wm_close() { # WINDOW
    /usr/bin/python3 - "$1" <<'PY'
import ctypes, sys
x = ctypes.cdll.LoadLibrary("libX11.so.6")
class ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5)]
class Event(ctypes.Union):
    _fields_ = [("xclient", ClientMessage), ("pad", ctypes.c_long * 24)]
x.XOpenDisplay.restype = ctypes.c_void_p
x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x.XDefaultRootWindow.restype = ctypes.c_ulong
x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x.XInternAtom.restype = ctypes.c_ulong
x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                         ctypes.POINTER(Event)]
x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
d = x.XOpenDisplay(None)
if not d:
    sys.exit("cannot open the display")
e = Event()
e.xclient.type = 33  # ClientMessage
e.xclient.window = int(sys.argv[1], 0)
e.xclient.message_type = x.XInternAtom(d, b"_NET_CLOSE_WINDOW", 0)
e.xclient.format = 32
e.xclient.data[1] = 2  # from a pager or task bar: the user's own request
redirect_and_notify = (1 << 20) | (1 << 19)
ok = x.XSendEvent(d, x.XDefaultRootWindow(d), 0, redirect_and_notify, ctypes.byref(e))
x.XSync(d, 0)
sys.exit(0 if ok else "the close request was not sent")
PY
}

end_glimmer() {
    local browser status=0
    end_reason=
    browser=$(xdotool search --onlyvisible --limit 1 --name '^Glimmer$') ||
        { end_reason="no browser window on X"; return 1; }
    # Asked of the window manager directly: a synthetic Alt+F4 was now and then lost.
    wm_close "$browser" || { end_reason="the window manager could not be asked to close it"; return 1; }
    app_ended() { ! kill -0 "$app" 2>/dev/null; }
    wait_until 15 app_ended ||
        { end_reason="the program kept running after its windows closed"; return 1; }
    wait "$app" || status=$?
    [ "$status" = 0 ] || { end_reason="the program ended with status $status"; return 1; }
}

# Says why the run failed, with what the program wrote, its windows and controls (and what
# the script's own fail_more function adds), and ends the run.
fail() {
    local id
    echo "$(basename "$0" .sh) FAIL: $*"
    echo "--- glimmer's output:"
    cat "$work/glimmer.log" 2>/dev/null || true
    if kill -0 "${app:-0}" 2>/dev/null; then
        echo "--- its X windows:"
        for id in $(xdotool search --pid "$app" 2>/dev/null); do
            xwininfo -id "$id" 2>/dev/null | sed -n 's/^xwininfo: //p;s/^  Map State: /  /p'
        done
        echo "--- its controls, as AT-SPI shows them:"
        atspi_dump | head -n 80
    else
        echo "(glimmer is not running)"
    fi
    if declare -F fail_more >/dev/null; then fail_more; fi
    exit 1
}

# Python snippets with the AT-SPI driver (scripts/e2e/atspi.py) importable:
# atspi_py ARGS... <<'PY' ... PY; atspi_dump prints the program's controls (for failures).
atspi_py() {
    GLIMMER_APP_PID=${app:-} PYTHONPATH="$here/scripts/e2e${PYTHONPATH:+:$PYTHONPATH}" \
        /usr/bin/python3 - "$@"
}
atspi_dump() { timeout 20 /usr/bin/python3 "$here/scripts/e2e/atspi.py" dump "$@" 2>&1 || true; }
