#!/usr/bin/env bash
# Runs a test program where file permissions bind: root ignores them, so as root it runs as
# nobody (65534). It gets a scratch folder of its own (HOME, TMPDIR, XDG_RUNTIME_DIR), a sticky
# folder holding root's writable file (GLIMMER_STICKY) and, where root may mount, a small
# tmpfs to fill up (GLIMMER_FULL_DISK). Both go when the
# program ends, however it ends. Each --stage VAR=PATH is exported to the program; as the
# checkout may lie in a folder nobody cannot enter (a home of mode 0700), the program and each
# such PATH are then run and read from copies in the scratch folder.
#   run_unprivileged.sh [--stage VAR=PATH]... PROGRAM [ARGS...]
set -euo pipefail

staged=()
while [ "${1:-}" = --stage ]; do
    staged+=("${2%%=*}")
    export "$2"
    shift 2
done

# Listing the tests needs neither another user nor a disk.
for arg; do
    if [ "$arg" = --gtest_list_tests ]; then exec "$@"; fi
done

uid=65534
scratch=$(mktemp -d)
full=$scratch/full
cleanup() {
    if mountpoint -q "$full" 2>/dev/null; then umount "$full" || umount -l "$full"; fi
    rm -rf "$scratch"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP
mkdir -m 700 "$scratch/home" "$scratch/tmp" "$scratch/run"
export HOME=$scratch/home TMPDIR=$scratch/tmp XDG_RUNTIME_DIR=$scratch/run
unset GLIMMER_FULL_DISK GLIMMER_STICKY GLIMMER_UNPRIVILEGED

as=()
if [ "$(id -u)" = 0 ]; then
    if setpriv --reuid=$uid --regid=$uid --clear-groups true 2>/dev/null; then
        as=(setpriv --reuid=$uid --regid=$uid --clear-groups)
        export GLIMMER_UNPRIVILEGED="run as uid $uid by $(basename "$0")"
        mkdir "$full"
        # Small, so that filling it takes no time; sticky and open to all like /tmp.
        if mount -t tmpfs -o size=128k,mode=1777 tmpfs "$full" 2>/dev/null; then
            export GLIMMER_FULL_DISK=$full
        else
            echo "$(basename "$0"): cannot mount a tmpfs; full-disk cases use a file-size limit" >&2
        fi
        # A folder like /tmp, sticky and open to all, holding root's file that anyone may write:
        # another user's file there may be rewritten but not renamed over.
        mkdir -m 1777 "$scratch/sticky"
        echo theirs >"$scratch/sticky/theirs.png"
        chmod 666 "$scratch/sticky/theirs.png"
        export GLIMMER_STICKY=$scratch/sticky
        chown -R $uid:$uid "$scratch/home" "$scratch/tmp" "$scratch/run"
        chmod 755 "$scratch"
        mkdir -m 755 "$scratch/stage"
        cp "$1" "$scratch/stage/"
        program=$scratch/stage/$(basename "$1")
        shift
        set -- "$program" "$@"
        for var in "${staged[@]}"; do
            cp -r "${!var}" "$scratch/stage/$var"
            export "$var=$scratch/stage/$var"
        done
        chmod -R a+rX "$scratch/stage"
    else
        # The program sees root and skips each test, giving this reason.
        export GLIMMER_UNPRIVILEGED="setpriv cannot switch to uid $uid here"
    fi
fi

# Not exec: the scratch folder and the mount must go afterwards.
status=0
"${as[@]}" "$@" || status=$?
exit $status
