# Sourced by the scripts that drive the real program under X: a private X server (Xvfb) with
# openbox, besides what session.sh sets up. Sets DISPLAY too.
# Usage: source x-session.sh BUILD_DIR [PROGRAM_FOLDER]
source "$(dirname "${BASH_SOURCE[0]}")/session.sh" "$@"


# Xvfb picks a free display itself and tells its number once it is ready; -noreset keeps it
# from restarting (and refusing connections meanwhile) each time its last client leaves.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" >/dev/null 2>&1 &
pids+=($!)
timeout 10 bash -c "until [ -s '$work/display' ]; do sleep 0.1; done"
export DISPLAY=:$(cat "$work/display")
timeout 10 bash -c "until xdpyinfo >/dev/null 2>&1; do sleep 0.1; done"
start_buses

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
    if [ -n "${app:-}" ] && kill -0 "$app" 2>/dev/null; then
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

