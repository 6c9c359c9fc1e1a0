#!/usr/bin/python3
"""Makes a set of real game textures and screenshots that glimmer-pcx's 8-bit output is
measured on (pcx_output_compare.py), from a game's data in Debian (free licences): every
screenshot, then textures of 64 to 1024 pixels a side, true colour with more than 256
colours, drawn in a fixed order. Each is written as PNG (alpha kept where it is used), named
after where it came from. The repository holds none of them.

- supertuxkart (the default, 200 pictures): supertuxkart-data, installed when missing; every
  track screenshot, then textures of the tracks, karts, models and shared textures.
- nexuiz (150 pictures): nexuiz-data and nexuiz-textures 2.5.2-12, fetched with apt-get
  download into ${XDG_CACHE_HOME:-~/.cache}/glimmer-sets/ and unpacked there, not installed
  (their pictures lie in the zip archives data.pk3 and textures.pk3); every level shot (dark
  scenes), then the level textures (stone, gravel, rust, metal), skies and the skins of
  players, turrets and map objects.

Usage: make_real_set.py [--game supertuxkart|nexuiz] [--count N] OUT_DIR
                                                N pictures in all
       make_real_set.py [--game ...] --batch OUT_DIR
                                                760 pictures, 600 of them made textures of at
                                                most 256 pixels a side, for timing the batch
                                                converter (batch-compare.sh, once made
                                                PCX files by glimmer-pcx convert --to pcx)
"""
import argparse
import hashlib
import os
import random
import shutil
import subprocess
import sys
import zipfile

from PIL import Image

PACKAGE = "supertuxkart-data"
DATA = "/usr/share/games/supertuxkart/data"
FOLDERS = ("textures", "tracks", "karts", "models")
KINDS = (".png", ".jpg", ".jpeg", ".tga")
# Maps a shader reads rather than pictures anyone looks at.
NOT_SEEN = ("normal", "gloss", "spec", "_mask", "nmap")

NEXUIZ = {"nexuiz-data": "data.pk3", "nexuiz-textures": "textures.pk3"}
NEXUIZ_VERSION = "2.5.2-12"
NEXUIZ_FOLDERS = ("maps", "env", "models", "textures")
# Also bump, glow and colour maps (_pants, _shirt: where player colours go), lightmaps
# (maps/NAME/lm_0000.tga), and the flat icons of models/sprites.
NEXUIZ_NOT_SEEN = NOT_SEEN + ("_norm", "_bump", "_glow", "_blend", "_pants", "_shirt", "lm_")
NEXUIZ_SKIPPED = ("sprites",)


def install():
    if os.path.isdir(DATA):
        return
    sudo = [] if os.geteuid() == 0 else ["sudo"]
    env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
    subprocess.run(sudo + ["apt-get", "install", "-y", "-qq", PACKAGE], check=True, env=env)


def unpack_nexuiz():
    """The folder of the nexuiz packages' pictures, unpacked from the packages (fetched once)
    under the cache folder."""
    cache = os.path.join(os.environ.get("XDG_CACHE_HOME") or os.path.expanduser("~/.cache"),
                         "glimmer-sets")
    pictures = os.path.join(cache, f"nexuiz-{NEXUIZ_VERSION}")
    if os.path.isdir(pictures):
        return pictures
    os.makedirs(cache, exist_ok=True)
    for package, archive in NEXUIZ.items():
        deb = os.path.join(cache, f"{package}_{NEXUIZ_VERSION}_all.deb")
        if not os.path.exists(deb):
            fetch = ["apt-get", "download", f"{package}={NEXUIZ_VERSION}"]
            if subprocess.run(fetch, cwd=cache).returncode != 0:  # no package lists yet
                sudo = [] if os.geteuid() == 0 else ["sudo"]
                subprocess.run(sudo + ["apt-get", "update", "-qq"], check=True)
                subprocess.run(fetch, cwd=cache, check=True)
        unpacked = os.path.join(cache, package)
        subprocess.run(["dpkg-deb", "-x", deb, unpacked], check=True)
        with zipfile.ZipFile(os.path.join(unpacked, "usr/share/games/nexuiz/data", archive)) as pk3:
            pk3.extractall(pictures + ".part", [n for n in pk3.namelist() if
                                                n.startswith(NEXUIZ_FOLDERS) and n.lower().endswith(KINDS)])
        shutil.rmtree(unpacked)
    os.rename(pictures + ".part", pictures)
    return pictures


def candidates(data, folders, not_seen, skipped, is_shot):
    """Every picture file under `folders`, screenshots first, the rest in a seeded shuffle."""
    found = []
    for folder in folders:
        for root, dirs, files in os.walk(os.path.join(data, folder)):
            dirs[:] = sorted(d for d in dirs if d not in skipped)
            found += [os.path.join(root, f) for f in sorted(files)
                      if f.lower().endswith(KINDS) and not any(n in f.lower() for n in not_seen)]
    shots = [p for p in found if is_shot(p)]
    rest = [p for p in found if p not in set(shots)]
    random.Random(20261208).shuffle(rest)
    return shots + rest


def usable(path, longest):
    """The picture as RGB or RGBA when it is true colour, of a fitting size and > 256 colours."""
    try:
        im = Image.open(path)
        if im.mode not in ("RGB", "RGBA"):
            return None
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
    ap.add_argument("--game", choices=("supertuxkart", "nexuiz"), default="supertuxkart")
    ap.add_argument("--count", type=int)
    ap.add_argument("--batch", action="store_true")
    ap.add_argument("out")
    args = ap.parse_args()
    if args.game == "nexuiz":
        package, data, count = " and ".join(NEXUIZ), unpack_nexuiz(), 150
        maps = os.path.join(data, "maps")
        # A level's shot lies beside its folder: maps/NAME.jpg.
        is_shot = lambda p: os.path.dirname(p) == maps
        found = candidates(data, NEXUIZ_FOLDERS, NEXUIZ_NOT_SEEN, NEXUIZ_SKIPPED, is_shot)
    else:
        install()
        package, data, count = PACKAGE, DATA, 200
        is_shot = lambda p: "screenshot" in os.path.basename(p)
        found = candidates(data, FOLDERS, NOT_SEEN, (), is_shot)
    count = 760 if args.batch else args.count or count
    os.makedirs(args.out, exist_ok=True)
    taken, seen = 0, set()
    for path in found:
        if taken == count:
            break
        im = usable(path, 1280 if is_shot(path) else 1024)
        if im is None:
            continue
        rel = os.path.relpath(path, data)
        name = os.path.splitext(rel.replace(os.sep, "-"))[0].lower()
        # The same texture is shipped under several names: measure it once. Skins that begin
        # alike are told apart whole; supertuxkart's set keeps the first rows' judgement it was
        # measured with.
        whole = args.game != "supertuxkart"
        key = (im.size, hashlib.sha1(im.tobytes()).digest() if whole else im.tobytes()[:4096])
        if name in seen or key in seen:
            continue
        seen |= {name, key}
        if args.batch and taken % 19 < 15:  # 600 of 760 made small textures
            im.thumbnail((256, 256), Image.LANCZOS)
        im.save(os.path.join(args.out, name + ".png"))
        taken += 1
    print(f"{taken} pictures from {package} in {args.out}")
    sys.exit(0 if taken == count else 1)


if __name__ == "__main__":
    main()
