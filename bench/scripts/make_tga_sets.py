#!/usr/bin/python3
"""Makes sets of TGA files that nobody in the project wrote, to check a TGA reader against the
others (compare_tga.py):

- OUT_DIR/writers/: four small pictures drawn here with a fixed seed (37x23 with an alpha
  gradient, 16 colours in runs, a grey gradient, grey with alpha), written by GIMP 2.10
  (batch mode under Xvfb: its TGA export needs a display), ImageMagick (convert), netpbm
  (pamtotga) and Pillow with their TGA options; and crafted-*.tga, written by tga() below,
  for what none of them writes: 15-bit pixels, 16- and 32-bit colour maps, a map from a first
  index above 0, indexes outside the map, interleave bits, packets across scan lines, the
  extension area's alpha types, files cut short and so on. Each file's name says its writer
  and kind.
- OUT_DIR/real/nexuiz/, OUT_DIR/real/megaglest/: the TGA textures of Debian's nexuiz-data
  (inside its .pk3 zips) and megaglest-data, kept in their folders. The packages are not
  installed: their .deb files are downloaded into ${XDG_CACHE_HOME:-~/.cache}/glimmer-sets/,
  where a complete one (size and SHA256 as apt lists them) is used as it is; a download goes
  to a name of its own there and is renamed into place, so that other scripts may share it.
  The repository holds none of these files.

Usage: make_tga_sets.py [--real-count N] [--no-real | --no-writers] OUT_DIR
       --real-count N   N textures of each package, a seeded sample (default: all)
       --no-real        the writer sets alone (no download)
       --no-writers     the real sets alone

Install what it needs first: scripts/install-deps.sh tga
"""
import argparse
import collections
import hashlib
import os
import random
import shutil
import struct
import subprocess
import sys
import tempfile
import zipfile
from pathlib import Path

import numpy as np
from PIL import Image

from compare_tga import tga_info

rng = np.random.default_rng(20261209)
W, H = 37, 23  # odd sizes: no row is a whole number of words


def pictures():
    """The pictures given to the writers, as RGBA, RGB, L and LA."""
    y, x = np.mgrid[0:H, 0:W]
    sprite = np.zeros((H, W, 4), np.uint8)
    sprite[..., 0] = x * 255 // (W - 1)
    sprite[..., 1] = y * 255 // (H - 1)
    sprite[..., 2] = rng.integers(0, 256, (H, W))
    sprite[..., 3] = np.clip((x - 4) * 255 // (W - 9), 0, 255)  # transparent left, opaque right
    sprite[y < 3, 3] = 255
    palette = rng.integers(0, 256, (16, 3)).astype(np.uint8)
    palette[0] = (0, 0, 0)
    # runs of 1 to 40 pixels, many running on past a line's end
    runs = np.repeat(rng.integers(0, 16, 200), rng.integers(1, 41, 200))[:W * H].reshape(H, W)
    grey = (x * 4 + y * 5 + rng.integers(0, 12, (H, W))).clip(0, 255).astype(np.uint8)
    grey_alpha = np.dstack([grey, np.clip(x * 8, 0, 255).astype(np.uint8)])
    return {"sprite": Image.fromarray(sprite, "RGBA"), "colours": Image.fromarray(palette[runs], "RGB"),
            "grey": Image.fromarray(grey, "L"), "greyalpha": Image.fromarray(grey_alpha, "LA")}


def pillow_set(out, pics):
    sprite, colours, grey = pics["sprite"], pics["colours"], pics["grey"]
    palette = colours.quantize(16)
    for name, im, opts in [
            ("rgb", sprite.convert("RGB"), {}), ("rgb-rle", sprite.convert("RGB"), {"compression": "tga_rle"}),
            ("rgba", sprite, {}), ("rgba-rle", sprite, {"compression": "tga_rle"}),
            ("rgba-topleft", sprite, {"orientation": 1}),
            ("rgba-rle-topleft", sprite, {"compression": "tga_rle", "orientation": 1}),
            ("grey", grey, {}), ("grey-rle", grey, {"compression": "tga_rle"}),
            ("greyalpha", pics["greyalpha"], {}), ("greyalpha-rle", pics["greyalpha"], {"compression": "tga_rle"}),
            ("palette", palette, {}), ("palette-rle", palette, {"compression": "tga_rle"}),
            ("rle-id10-footer", colours, {"compression": "tga_rle", "id_section": b"Glimmer 10"}),
            ("id10-footer", sprite.convert("RGB"), {"id_section": b"0123456789"}),
            ("1bit", grey.convert("1"), {})]:
        im.save(out / f"pillow-{name}.tga", **opts)


def magick_set(out, src):
    for name, source, opts in [
            ("rgb", "sprite", ["-alpha", "off"]), ("rgb-rle", "sprite", ["-alpha", "off", "-compress", "RLE"]),
            ("rgba", "sprite", []), ("rgba-rle", "sprite", ["-compress", "RLE"]),
            ("rgba-topleft", "sprite", ["-orient", "TopLeft"]),
            ("rgba-bottomright", "sprite", ["-orient", "BottomRight"]),
            ("rgba-rle-topright", "sprite", ["-compress", "RLE", "-orient", "TopRight"]),
            ("palette", "colours", ["-type", "Palette"]), ("palette-rle", "colours", ["-type", "Palette", "-compress", "RLE"]),
            ("palette-from-alpha", "sprite", ["-type", "Palette"]),
            ("grey", "grey", ["-type", "Grayscale"]), ("grey-rle", "grey", ["-type", "Grayscale", "-compress", "RLE"]),
            ("greyalpha", "greyalpha", ["-type", "GrayscaleAlpha"]),
            ("16bit", "sprite", ["-alpha", "off", "-depth", "5"]),
            ("16bit-rle", "colours", ["-depth", "5", "-compress", "RLE"]),
            ("16bit-alpha", "sprite", ["-depth", "5"]),
            ("id-comment", "sprite", ["-set", "comment", "made by ImageMagick"])]:
        subprocess.run(["convert", str(src[source])] + opts + [str(out / f"magick-{name}.tga")], check=True)


def netpbm_set(out, src):
    def pam(source):
        return subprocess.run(["pngtopam", "-alphapam", str(src[source])], capture_output=True,
                              check=True).stdout

    rgb = subprocess.run(["pngtopam", str(src["colours"])], capture_output=True, check=True).stdout
    grey = subprocess.run(["pngtopam", str(src["grey"])], capture_output=True, check=True).stdout
    for name, data, opts in [
            ("rgb", rgb, ["-rgb"]), ("rgb-norle", rgb, ["-rgb", "-norle"]),
            ("rgba", pam("sprite"), []), ("rgba-norle", pam("sprite"), ["-norle"]),
            ("cmap", rgb, ["-cmap"]), ("cmap-norle", rgb, ["-cmap", "-norle"]),
            ("cmap16", rgb, ["-cmap16"]), ("cmap16-norle", rgb, ["-cmap16", "-norle"]),
            ("grey", grey, ["-mono"]), ("grey-cmap", grey, ["-cmap"]),
            ("grey-norle-id10", grey, ["-mono", "-norle", "-name=abcdefghij"])]:
        tga = subprocess.run(["pamtotga", "-quiet"] + opts, input=data, capture_output=True, check=True).stdout
        (out / f"netpbm-{name}.tga").write_bytes(tga)


def gimp_set(out, src):
    """GIMP's TGA export. Run non-interactively, file-tga-save ignores its origin argument: the
    saved settings (RLE, then origin with 0 for top-left, as 32-bit integers) are set instead
    and used by a run with the last values (run mode 2)."""
    convert = {"as-is": "", "grey": "(gimp-image-convert-grayscale img)",
               "indexed": "(gimp-image-convert-indexed img 0 0 16 0 1 \"\")"}
    cmds, paths = [], []
    for name, source, mode, rle, top in [
            ("rgb", "colours", "as-is", 0, 0), ("rgb-rle", "colours", "as-is", 1, 0),
            ("rgba", "sprite", "as-is", 0, 0), ("rgba-rle-topleft", "sprite", "as-is", 1, 1),
            ("grey", "grey", "as-is", 0, 0), ("grey-rle", "grey", "as-is", 1, 0),
            ("greyalpha-rle", "greyalpha", "as-is", 1, 0),
            ("indexed", "colours", "indexed", 0, 0), ("indexed-rle-topleft", "colours", "indexed", 1, 1),
            ("indexed-alpha", "sprite", "indexed", 0, 0), ("grey-from-rgba", "sprite", "grey", 1, 0)]:
        path = out / f"gimp-{name}.tga"
        paths.append(path)
        cmds += ["-b", f'(let* ((img (car (gimp-file-load 1 "{src[source]}" "x")))) {convert[mode]}'
                       f' (gimp-procedural-db-set-data "file-tga-save" 8 #({rle} 0 0 0 {0 if top else 1} 0 0 0))'
                       f' (file-tga-save 2 img (car (gimp-image-get-active-drawable img)) "{path}" "x"'
                       f' {rle} 0) (gimp-image-delete img))']
    subprocess.run(["xvfb-run", "-a", "gimp", "-i", "-d", "-f"] + cmds + ["-b", "(gimp-quit 0)"],
                   capture_output=True, check=True)
    missing = [p.name for p in paths if not p.exists()]
    if missing:
        sys.exit(f"GIMP did not write {', '.join(missing)}")


# The crafted files: a small TGA writer, for what no writer makes.

ORIGIN = {"bottom-left": 0, "bottom-right": 0x10, "top-left": 0x20, "top-right": 0x30}


def tga(kind, bits, pixels, width=W, height=H, cmap=b"", first=0, map_len=0, map_bits=0, desc=0,
        image_id=b"", ext_alpha=None, footer=False):
    """A TGA file around `pixels` (the bytes of the packets or of the pixels, stored in the
    order desc's origin says); an extension area whose alpha type is ext_alpha comes with a
    footer pointing at it."""
    head = struct.pack("<BBBHHBHHHHBB", len(image_id), 1 if map_bits else 0, kind, first, map_len,
                       map_bits, 0, 0, width, height, bits, desc)
    data = head + image_id + cmap + pixels
    if ext_alpha is not None:
        ext = bytearray(495)
        struct.pack_into("<H", ext, 0, 495)
        ext[494] = ext_alpha
        offset, data = len(data), data + bytes(ext)
        return data + struct.pack("<II", offset, 0) + b"TRUEVISION-XFILE.\0"
    return data + (struct.pack("<II", 0, 0) + b"TRUEVISION-XFILE.\0" if footer else b"")


def stored(px, origin="bottom-left"):
    """Rows (and columns) in the order the origin stores them."""
    if "bottom" in origin:
        px = px[::-1]
    return px[:, ::-1] if "right" in origin else px


def bgr(px):
    """8-bit channels as TGA stores them: blue, green, red (, alpha)."""
    return np.ascontiguousarray(px[..., [2, 1, 0, 3][:px.shape[-1]]])


def five(px, top):
    """16-bit pixels: 5 bits each of red, green and blue, and `top` in bit 15."""
    c = px[..., :3].astype(np.uint16) >> 3
    v = (c[..., 0] << 10) | (c[..., 1] << 5) | c[..., 2] | (top.astype(np.uint16) << 15)
    return v.astype("<u2")


def rle(px, across=False):
    """Run-length packets of px (rows x pixels x bytes a pixel); packets end at each scan line's
    end unless `across`."""
    rows = [px.reshape(-1, px.shape[-1])] if across else list(px)
    out = bytearray()
    for row in rows:
        items = [bytes(p) for p in row]
        i = 0
        while i < len(items):
            n = 1
            while i + n < len(items) and n < 128 and items[i + n] == items[i]:
                n += 1
            if n > 1:
                out += bytes([0x80 | (n - 1)]) + items[i]
            else:
                while i + n < len(items) and n < 128 and items[i + n] != items[i + n - 1]:
                    n += 1
                n -= i + n < len(items)  # the last one starts the next run
                out += bytes([n - 1]) + b"".join(items[i:i + n])
            i += n
    return bytes(out)


def crafted_set(out, pics):
    sprite = np.asarray(pics["sprite"])
    colours = np.asarray(pics["colours"])
    grey = np.asarray(pics["grey"])
    alpha = sprite[..., 3]
    opaque = sprite.copy()
    opaque[..., 3] = 255
    pal = np.unique(colours.reshape(-1, 3), axis=0)
    lut = {tuple(c): n for n, c in enumerate(pal)}
    index = np.array([[lut[tuple(c)] for c in row] for row in colours], np.uint8)
    # the last 3 pixels stored alike, so that a run packet can claim 10 more than there are
    past = stored(bgr(colours)).reshape(-1, 3).copy()
    past[-3:] = past[-1]
    files = {
        # bit 15 holds the alpha gradient cut at half: alpha, or a bit to ignore
        "15bit": tga(2, 15, stored(five(sprite, alpha >= 128)).tobytes()),
        "16bit-attr0": tga(2, 16, stored(five(sprite, alpha >= 128)).tobytes()),
        "16bit-alpha": tga(2, 16, stored(five(sprite, alpha >= 128)).tobytes(), desc=1, footer=True),
        "16bit-alpha-rightleft": tga(2, 16, stored(five(sprite, alpha >= 128), "top-right").tobytes(),
                                     desc=1 | ORIGIN["top-right"]),
        "16bit-alpha-zero": tga(2, 16, stored(five(sprite, alpha < 0)).tobytes(), desc=1),
        "32bit-alpha-zero": tga(2, 32, stored(bgr(np.dstack([sprite[..., :3], 0 * alpha]))).tobytes(), desc=8),
        "24bit-attr8": tga(2, 24, stored(bgr(sprite[..., :3])).tobytes(), desc=8),
        "rle-topright": tga(10, 24, rle(stored(bgr(opaque[..., :3]), "top-right")), desc=ORIGIN["top-right"]),
        "rle-bottomright-alpha": tga(10, 32, rle(stored(bgr(sprite), "bottom-right")), desc=8 | 0x10),
        "interleave2": tga(2, 24, stored(bgr(sprite[..., :3])).tobytes(), desc=0x40),
        "interleave4": tga(2, 24, stored(bgr(sprite[..., :3])).tobytes(), desc=0x80),
        "rle-across-lines": tga(10, 24, rle(stored(bgr(colours)), across=True)),
        "rle-across-lines-map": tga(9, 8, rle(stored(index)[..., None], across=True), cmap=bgr(pal).tobytes(),
                                    map_len=len(pal), map_bits=24),
        "rle-across-lines-grey": tga(11, 8, rle(stored(np.asarray(pics["colours"].convert("L")))[..., None],
                                                across=True), footer=True),
        "rle-past-end": tga(10, 24, rle(past[None, :-3], across=True) + bytes([0x80 | 12]) + bytes(past[-1])),
        "truncated-raw": tga(2, 24, stored(bgr(sprite[..., :3])).tobytes()[:W * H * 3 // 2]),
        "truncated-rle": tga(10, 24, rle(stored(bgr(sprite[..., :3])))[:W * H * 3 // 2]),
        "map-first16": tga(1, 8, (stored(index) + 16).tobytes(), cmap=bgr(pal).tobytes(), first=16,
                           map_len=len(pal), map_bits=24),
        "map-first16-rle": tga(9, 8, rle((stored(index) + 16)[..., None]), cmap=bgr(pal).tobytes(), first=16,
                               map_len=len(pal), map_bits=24, footer=True),
        # indexes 8 to 15 outside a map of 8; black, the first colour, is not in it
        "map-outside": tga(1, 8, stored((index + 15) % 16).tobytes(), cmap=bgr(pal[1:9]).tobytes(), map_len=8,
                           map_bits=24),
        "map16-alpha": tga(1, 8, stored(index).tobytes(), cmap=five(pal, np.arange(len(pal)) % 2 == 0).tobytes(),
                           map_len=len(pal), map_bits=16, desc=1),
        "map15": tga(1, 8, stored(index).tobytes(), cmap=five(pal, np.arange(len(pal)) % 2 == 0).tobytes(),
                     map_len=len(pal), map_bits=15),
        "map32-alpha": tga(9, 8, rle(stored(index)[..., None]),
                           cmap=bgr(np.hstack([pal, np.arange(len(pal))[:, None] * 17]).astype(np.uint8)).tobytes(),
                           map_len=len(pal), map_bits=32, desc=8),
        "rgb-with-map": tga(2, 24, stored(bgr(colours)).tobytes(), cmap=bytes(range(48)), map_len=16, map_bits=24),
        "grey16-attr0": tga(3, 16, stored(np.dstack([grey, 255 - grey])).tobytes()),
        "id255-nofooter": tga(2, 24, stored(bgr(sprite[..., :3])).tobytes(), image_id=bytes(range(255))),
    }
    for t in range(5):  # the extension area's alpha types; 4 stores premultiplied colours
        px = sprite.copy()
        if t == 4:
            px[..., :3] = (sprite[..., :3].astype(int) * alpha[..., None] // 255).astype(np.uint8)
        files[f"ext-alpha{t}"] = tga(2, 32, stored(bgr(px)).tobytes(), desc=8, ext_alpha=t)
    files["ext-alpha3-attr0"] = tga(2, 32, stored(bgr(sprite)).tobytes(), desc=0, ext_alpha=3)
    for name, data in files.items():
        (out / f"crafted-{name}.tga").write_bytes(data)


# The real sets: textures of Debian's game data.

REAL = {"nexuiz": "nexuiz-data", "megaglest": "megaglest-data"}
CACHE = Path(os.environ.get("XDG_CACHE_HOME") or Path.home() / ".cache") / "glimmer-sets"


def apt_record(package):
    show = lambda: subprocess.run(["apt-cache", "show", "--no-all-versions", package],
                                  capture_output=True, text=True).stdout
    text = show()
    if not text:
        sudo = [] if os.geteuid() == 0 else ["sudo"]
        subprocess.run(sudo + ["apt-get", "update", "-qq"], check=True)
        text = show()
    fields = dict(line.split(": ", 1) for line in text.splitlines() if ": " in line and line[0] != " ")
    return int(fields["Size"]), fields["SHA256"]


def complete(path, size, sha):
    if path.stat().st_size != size:
        return False
    digest = hashlib.sha256()
    with open(path, "rb") as f:
        while chunk := f.read(1 << 20):
            digest.update(chunk)
    return digest.hexdigest() == sha


def deb(package):
    """The package's .deb in CACHE: one already there when complete, else downloaded to a
    folder of this run's own and renamed into place."""
    CACHE.mkdir(parents=True, exist_ok=True)
    size, sha = apt_record(package)
    for found in sorted(CACHE.glob(f"{package}_*.deb")):
        if complete(found, size, sha):
            return found
    with tempfile.TemporaryDirectory(dir=CACHE, prefix=f".{package}-") as tmp:
        subprocess.run(["apt-get", "download", "-qq", package], cwd=tmp, check=True)
        got = next(Path(tmp).glob("*.deb"))
        if not complete(got, size, sha):
            sys.exit(f"{got.name}: not the size and SHA256 apt lists")
        os.replace(got, CACHE / got.name)
        return CACHE / got.name


def real_set(out, name, package, count):
    """Every *.tga of the package (in its .pk3 zips too), or a seeded sample of `count`."""
    with tempfile.TemporaryDirectory(dir=CACHE, prefix=f".{package}-x-") as tmp:
        subprocess.run(["dpkg-deb", "-x", str(deb(package)), tmp], check=True)
        found = []  # (label, path, member in a zip or None)
        for root, dirs, files in os.walk(tmp):
            dirs.sort()
            for f in sorted(files):
                path = os.path.join(root, f)
                if f.lower().endswith(".tga"):
                    found.append((os.path.relpath(path, tmp), path, None))
                elif f.lower().endswith(".pk3"):
                    with zipfile.ZipFile(path) as z:
                        found += [(f"{f}/{m}", path, m) for m in sorted(z.namelist()) if m.lower().endswith(".tga")]
        if count is not None and count < len(found):
            found = sorted(random.Random(20261209).sample(found, count))
        for label, path, member in found:
            target = out / "real" / name / label.replace("usr/share/games/", "")
            target = target.with_suffix(".tga")
            target.parent.mkdir(parents=True, exist_ok=True)
            if member is None:
                shutil.copyfile(path, target)
            else:
                with zipfile.ZipFile(path) as z:
                    target.write_bytes(z.read(member))
    return len(found)


def summary(folder):
    """Counts of the files by type and bits, origin, footer and packets across lines."""
    kinds, extras = collections.Counter(), collections.Counter()
    for path in sorted(folder.rglob("*.tga")):
        i = tga_info(path)
        if i.get("short"):
            extras["shorter than a header"] += 1
            continue
        kinds[f"type {i['type']} {i['bits']} bits" + (f" map {i['map'][2]}" if i["map"] else "")] += 1
        extras[i["origin"]] += 1
        extras["footer" if i["footer"] else "no footer"] += 1
        for key in ("crosses", "truncated"):
            extras[{"crosses": "packets across lines", "truncated": "truncated"}[key]] += bool(i[key])
        extras["image ID"] += bool(i["id"])
        extras["first map index > 0"] += bool(i["map"] and i["map"][0])
    total = sum(kinds.values()) + extras["shorter than a header"]
    print(f"{folder}: {total} files; " + ", ".join(f"{k}: {n}" for k, n in sorted(kinds.items())))
    print("    " + ", ".join(f"{k}: {n}" for k, n in extras.items() if n))


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("out")
    ap.add_argument("--real-count", type=int)
    ap.add_argument("--no-real", action="store_true")
    ap.add_argument("--no-writers", action="store_true")
    args = ap.parse_args()
    out = Path(args.out).resolve()
    if not args.no_writers:
        writers = out / "writers"
        writers.mkdir(parents=True, exist_ok=True)
        pics = pictures()
        with tempfile.TemporaryDirectory() as tmp:
            src = {}
            for name, im in pics.items():
                src[name] = Path(tmp) / f"{name}.png"
                im.save(src[name])
            pillow_set(writers, pics)
            magick_set(writers, src)
            netpbm_set(writers, src)
            gimp_set(writers, src)
        crafted_set(writers, pics)
        summary(writers)
    if not args.no_real:
        for name, package in REAL.items():
            real_set(out, name, package, args.real_count)
            summary(out / "real" / name)


if __name__ == "__main__":
    main()
