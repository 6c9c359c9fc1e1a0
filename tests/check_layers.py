#!/usr/bin/env python3
"""Fails when a source file includes a file of a higher layer.

Reads every #include "..." of the project's own C++ sources, finds the file it names as the
compiler would (beside the including file first, then through the include roots), and
checks the two folders against the layer order the top CMakeLists.txt declares. The build
enforces the same order through each library's include root and its links; this check also
catches relative paths ("../app/program.h").
"""
import pathlib
import re
import sys


def read_order(root):
    """GLIMMER_LAYERS and GLIMMER_SIDE_FOLDERS as the top CMakeLists.txt sets them: the
    layers bottom to top, and each side folder with the folders it may use."""
    text = (root / "CMakeLists.txt").read_text(encoding="utf-8")

    def block(name):
        m = re.search(r"set\(" + name + r"\s(.*?)\n\)", text, re.S)
        if not m:
            sys.exit(f"CMakeLists.txt sets no {name}")
        return [re.sub(r"#.*", "", line).strip() for line in m.group(1).splitlines()]

    layers = [e.split(":")[0] for e in block("GLIMMER_LAYERS") if e]
    side = {}
    for e in block("GLIMMER_SIDE_FOLDERS"):
        if not e:
            continue
        name, uses = e.strip('"').split(":", 1)
        side[name] = [u for w in uses.split() for u in (layers if w == "*" else [w])]
    return layers, side


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
    global LAYERS, SIDE, ROOTS
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".").resolve()
    LAYERS, SIDE = read_order(root)
    # Where the compiler looks after the including file's own folder: the project, and the
    # folder above each library whose includes name it by its last part ("pcx/decode.h").
    ROOTS = [""] + sorted({f.rsplit("/", 1)[0] for f in LAYERS if "/" in f}) + ["art/tools"]
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
            problems.append(f"{rel}: lies in no layer; add its folder to CMakeLists.txt")
            continue
        for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
            m = INCLUDE.match(line)
            if not m:
                continue
            # moc's output for the classes a source file declares itself, made at build time.
            if m.group(1) == f"{path.stem}.moc":
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
              f"{', '.join(LAYERS)}), as GLIMMER_LAYERS in CMakeLists.txt sets it")
        return 1
    print(f"{checked} includes in {len(sources)} files follow the layer order")
    return 0


if __name__ == "__main__":
    sys.exit(main())
