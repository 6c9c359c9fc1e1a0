# Sourced by the scripts that drive the real program: a private X server (Xvfb) with openbox,
# a scratch folder and a copy of the program folder in it. Sets work, prog, DISPLAY and
# XDG_RUNTIME_DIR; everything started is ended when the script exits.
# Usage: source x-session.sh BUILD_DIR [PROGRAM_FOLDER]
set -euo pipefail
trap 'echo "$0: failed at line $LINENO: $BASH_COMMAND" >&2' ERR
build=$(cd "${1:?build dir}" && pwd)
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
work=$(mktemp -d)
prog=${2:-$work/prog}
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
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
mkdir -m 700 "$XDG_RUNTIME_DIR"
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
start_glimmer() {
    (cd "$work" && exec "$prog/glimmer" "$@") >"$work/glimmer.log" 2>&1 &
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
