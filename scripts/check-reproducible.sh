#!/usr/bin/env bash
# Builds the Debian packages a second time, in another folder and at another time, and checks
# that every .deb (the -dbgsym ones too) is byte for byte the one of the first build in DIR
# (built there now unless DIR holds packages of this very source). Prints the packages
# compared, or the ones that differ (diffoscope tells how).
# Usage: check-reproducible.sh DIR
set -euo pipefail
first=$(realpath -m "${1:-build-package}")
cd "$(dirname "$0")/.."
scripts/package.sh "$first" >/dev/null
second=$(mktemp -d /var/tmp/glimmer-rebuild.XXXXXX)
# Kept when the builds differ, for diffoscope.
trap '[ "${differ:-1}" -ne 0 ] || rm -rf "$second"' EXIT
scripts/package.sh "$second/elsewhere" >/dev/null
differ=0
count=0
for deb in "$first"/*.deb; do
    other=$second/elsewhere/$(basename "$deb")
    count=$((count + 1))
    if ! cmp -s "$deb" "$other"; then
        differ=$((differ + 1))
        echo "check-reproducible: $(basename "$deb") differs between $first and another build" >&2
    fi
done
[ "$count" -gt 0 ] || { echo "check-reproducible: no packages in $first" >&2; exit 1; }
[ "$(ls "$second"/elsewhere/*.deb | wc -l)" -eq "$count" ] ||
    { echo "check-reproducible: the builds made different sets of packages" >&2; exit 1; }
if [ "$differ" -ne 0 ]; then
    echo "check-reproducible: the second build is kept in $second/elsewhere" >&2
    exit 1
fi
echo "check-reproducible: $count packages, identical in two builds"
