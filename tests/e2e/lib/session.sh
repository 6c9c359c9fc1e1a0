# Sourced by the scripts that drive the real program on a private desktop (x-session.sh,
# wayland-session.sh): a scratch folder with a copy of the program folder, a private session
# bus and accessibility bus (AT-SPI), and helpers. Everything started is ended when the script
# exits. Sets build, here, work, prog, XDG_RUNTIME_DIR, DBUS_SESSION_BUS_ADDRESS and a11y_bus.
# Usage: source session.sh BUILD_DIR [PROGRAM_FOLDER]; then start_buses once the display is up.
set -euo pipefail
trap 'echo "$0: failed at line $LINENO: $BASH_COMMAND" >&2' ERR
build=$(cd "${1:?build dir}" && pwd)
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)
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
# A run that is ended still ends what it started.
trap 'exit 130' INT TERM HUP

# A private copy of the program folder, so a run writes nothing into the build.
mkdir -p "$prog"
cp -r "$build/app/." "$prog"
rm -rf "$prog/CMakeFiles" "$prog/glimmer_autogen" "$prog/cmake_install.cmake"

# The helpers are imported from the checkout, which a run leaves as it found it.
export PYTHONDONTWRITEBYTECODE=1
export XDG_RUNTIME_DIR=$work/run
# openbox and Qt keep caches and settings: in the scratch folder, not the user's home.
export XDG_CACHE_HOME=$work/cache XDG_CONFIG_HOME=$work/config
mkdir -m 700 "$XDG_RUNTIME_DIR"

# The buses come after the display: the accessibility bus announces itself on an X display.
start_buses() {
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
}

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


# Python snippets with the AT-SPI driver (atspi.py) importable:
# atspi_py ARGS... <<'PY' ... PY; atspi_dump prints the program's controls (for failures).
atspi_py() {
    GLIMMER_APP_PID=${app:-} PYTHONPATH="$here/tests/e2e/lib${PYTHONPATH:+:$PYTHONPATH}" \
        /usr/bin/python3 - "$@"
}
atspi_dump() { timeout 20 /usr/bin/python3 "$here/tests/e2e/lib/atspi.py" dump "$@" 2>&1 || true; }
