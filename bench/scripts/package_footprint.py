#!/usr/bin/python3
"""What each of Glimmer's packages adds to a Debian system that has Eye of GNOME: the packages
apt would install beside `eog` (dependencies only, no recommends) and their installed size,
resolved by apt against this machine's package lists as if nothing were installed yet, so
that the figure does not depend on what this machine happens to hold.

Usage: package_footprint.py GLIMMER_DEB GLIMMER_PCX_DEB GLIMMER_GDK_PIXBUF_DEB [--no-qt-in-loader]
With --no-qt-in-loader, exits 1 when the loader's package would bring any Qt package."""
import os
import re
import subprocess
import sys
import tempfile


def installs(status, *what):
    out = subprocess.run(["apt-get", "-o", f"Dir::State::status={status}", "-s",
                          "--no-install-recommends", "install", *what],
                         capture_output=True, text=True, check=True).stdout
    return {m.group(1) for m in re.finditer(r"^Inst (\S+)", out, re.M)}


def kib(packages):
    out = subprocess.run(["apt-cache", "show", "--no-all-versions", *packages],
                         capture_output=True, text=True).stdout
    return sum(int(n) for n in re.findall(r"^Installed-Size: (\d+)", out, re.M))


def main():
    debs = [os.path.abspath(a) for a in sys.argv[1:4]]
    with tempfile.NamedTemporaryFile() as status:
        base = installs(status.name, "eog")
        print("| beside eog | packages added | installed size of the packages added |")
        print("|---|---:|---:|")
        loader_qt = []
        for deb in debs:
            name = os.path.basename(deb).split("_")[0]
            added = installs(status.name, "eog", deb) - base
            others = sorted(added - {name})
            print(f"| {name} | {len(added)} | {(kib(others) + 512) // 1024} MiB besides itself |")
            if name == "glimmer-gdk-pixbuf":
                loader_qt = [p for p in added if p.startswith(("libqt", "qt6", "qt5"))]
        if "--no-qt-in-loader" in sys.argv and loader_qt:
            sys.exit(f"the loader's package brings Qt: {loader_qt}")


if __name__ == "__main__":
    main()
