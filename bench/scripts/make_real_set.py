#!/usr/bin/python3
"""Makes a set of real game textures and screenshots that glimmer-pcx's 8-bit output is
measured on (pcx_output_compare.py), from Debian's supertuxkart-data (free licences;
installed here when missing): every track screenshot, then textures of 64 to 1024 pixels a
side, true colour with more than 256 colours, drawn in a fixed order from the tracks, karts,
models and shared textures. Each is written as PNG (alpha kept where it is used), named after
where it came from. The repository holds none of them.

Usage: make_real_set.py [--count N] OUT_DIR     N pictures in all (default 200)
       make_real_set.py --batch OUT_DIR         760 pictures, 600 of them made textures of at
                                                most 256 pixels a side, for timing the batch
                                                converter (batch-compare.sh, once made
                                                PCX files by glimmer-pcx convert --to pcx)
"""
import argparse
import os
import random
import subprocess
import sys

from PIL import Image

PACKAGE = "supertuxkart-data"
DATA = "/usr/share/games/supertuxkart/data"
FOLDERS = ("textures", "tracks", "karts", "models")
KINDS = (".png", ".jpg", ".jpeg", ".tga")
# Maps a shader reads rather than pictures anyone looks at.
NOT_SEEN = ("normal", "gloss", "spec", "_mask", "nmap")


def install():
    if os.path.isdir(DATA):
        return
    sudo = [] if os.geteuid() == 0 else ["sudo"]
    env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
    subprocess.run(sudo + ["apt-get", "install", "-y", "-qq", PACKAGE], check=True, env=env)


def candidates():
    """Every picture file under FOLDERS, screenshots first, the rest in a seeded shuffle."""
    found = []
    for folder in FOLDERS:
        for root, dirs, files in os.walk(os.path.join(DATA, folder)):
            dirs.sort()
            found += [os.path.join(root, f) for f in sorted(files)
                      if f.lower().endswith(KINDS) and not any(n in f.lower() for n in NOT_SEEN)]
    shots = [p for p in found if "screenshot" in os.path.basename(p)]
    rest = [p for p in found if p not in set(shots)]
    random.Random(20261208).shuffle(rest)
    return shots + rest


def usable(path):
    """The picture as RGB or RGBA when it is true colour, of a fitting size and > 256 colours."""
    try:
        im = Image.open(path)
        if im.mode not in ("RGB", "RGBA"):
            return None
        longest = 1280 if "screenshot" in os.path.basename(path) else 1024
        if min(im.size) < 64 or max(im.size) > longest:
            return None
        im.load()
    except OSError:
        return None
    if im.mode == "RGBA" and im.getextrema()[3][0] == 255:
        im = im.convert("RGB")
    im.info.pop("icc_profile", None)  # some are malformed, and readers warn of them
    return im if im.getcolors(256) is None else None


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--count", type=int, default=200)
    ap.add_argument("--batch", action="store_true")
    ap.add_argument("out")
    args = ap.parse_args()
    if args.batch:
        args.count = 760
    install()
    os.makedirs(args.out, exist_ok=True)
    taken, seen = 0, set()
    for path in candidates():
        if taken == args.count:
            break
        im = usable(path)
        if im is None:
            continue
        rel = os.path.relpath(path, DATA)
        name = os.path.splitext(rel.replace(os.sep, "-"))[0].lower()
        # The same texture is shipped under several tracks: measure it once.
        key = (im.size, im.tobytes()[:4096])
        if name in seen or key in seen:
            continue
        seen |= {name, key}
        if args.batch and taken % 19 < 15:  # 600 of 760 made small textures
            im.thumbnail((256, 256), Image.LANCZOS)
        im.save(os.path.join(args.out, name + ".png"))
        taken += 1
    print(f"{taken} pictures from {PACKAGE} in {args.out}")
    sys.exit(0 if taken == args.count else 1)


if __name__ == "__main__":
    main()
