#!/usr/bin/env python3
"""Fails when a source file includes a file of a higher layer.

Reads every #include "..." of the project's own C++ sources, finds the file it names as the
compiler would (beside the including file first, then through the include roots), and
checks the two folders against the order below. The build enforces the same order through
each library's include root; this check also catches relative paths ("../app/program.h").
"""
import pathlib
import re
import sys

# The layers, bottom to top. A file may include its own layer and any layer below it.
LAYERS = [
    "decode/pcx",  # the decoder core: no Qt, no I/O
    "decode",  # Picture, numbered errors, reading files and PCX files: Qt Core and Gui
    "platform",  # the seam to the window system
    "desktop/services",  # keep-on-top, web links, control builders, LoadPcx
    "edit",  # the picture window's commands
    "viewer",  # the picture window
    "browser",  # the browser and the help and screenshot windows it shows
    "desktop/tray",  # login, splash and tray, which lead to the browser
    "app",  # the program's wiring and main
]

# Folders beside the chain, with the layers they may include (besides their own).
SIDE = {
    "art/tools": [],
    "cli": ["decode/pcx", "decode"],
    "fuzz": ["decode/pcx"],
    "bench": ["decode/pcx", "decode", "platform", "edit", "viewer", "art/tools"],
    "tests/support": ["decode/pcx", "decode", "platform"],
    "tests": LAYERS + ["art/tools", "tests/support"],
}

# Where the compiler looks after the including file's own folder.
ROOTS = ["", "decode", "art/tools"]

SKIP = re.compile(r"^(build[^/]*|\.git|\.cache)(/|$)")
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')


def folder_of(rel):
    """The layer or side folder holding `rel`, the longest that matches."""
    best = None
    for f in LAYERS + list(SIDE):
        if (rel == f or rel.startswith(f + "/")) and (best is None or len(f) > len(best)):
            best = f
    return best


def allowed(src, dst):
    if src == dst:
        return True
    if src in SIDE:
        return dst in SIDE[src]
    if dst in SIDE:
        return False
    return LAYERS.index(dst) < LAYERS.index(src)


def resolve(root, including, name):
    for base in [including.parent] + [root / r for r in ROOTS]:
        candidate = (base / name).resolve()
        if candidate.is_file():
            return candidate
    return None


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".").resolve()
    sources = sorted(
        p
        for p in root.rglob("*")
        if p.suffix in (".cpp", ".h")
        and p.is_file()
        and not SKIP.match(p.relative_to(root).as_posix())
    )
    problems = []
    checked = 0
    for path in sources:
        rel = path.relative_to(root).as_posix()
        src = folder_of(rel)
        if src is None:
            problems.append(f"{rel}: lies in no layer; add its folder to {pathlib.Path(__file__).name}")
            continue
        for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
            m = INCLUDE.match(line)
            if not m:
                continue
            checked += 1
            target = resolve(root, path, m.group(1))
            if target is None:
                problems.append(f'{rel}:{number}: includes "{m.group(1)}", which is no file of the project')
                continue
            try:
                dst = folder_of(target.relative_to(root).as_posix())
            except ValueError:
                dst = None
            if dst is None:
                problems.append(f'{rel}:{number}: includes "{m.group(1)}", which lies in no layer')
            elif not allowed(src, dst):
                problems.append(
                    f'{rel}:{number}: includes "{m.group(1)}": {src} may not use {dst}, '
                    "which lies above it or beside it"
                )
    for p in problems:
        print(p)
    if problems:
        print(f"{len(problems)} include(s) against the layer order (bottom to top: "
              f"{', '.join(LAYERS)}), written in tests/check_layers.py")
        return 1
    print(f"{checked} includes in {len(sources)} files follow the layer order")
    return 0


if __name__ == "__main__":
    sys.exit(main())
