#!/usr/bin/python3
"""Measures glimmer-pcx's 8-bit PCX output against the tools a modder would use instead, in one
run over folders of true-colour pictures (make_project_set.py draws the project's,
make_real_set.py takes real game textures and screenshots from Debian, of supertuxkart and of
nexuiz):

- colour quality: the PSNR of each 8-bit result against its source after a Gaussian blur of
  radius 1 (dithering judged as the eye sees it), for glimmer-pcx, ImageMagick (-colors 256),
  Pillow (quantize(256)) and pngquant, all given the same pictures without alpha;
- speed: glimmer-pcx convert --to pcx of each folder against mogrify -format pcx -colors 256;
- masks: with --mask, palette index 0 holds exactly the pixels of the masked colour or of
  alpha below half, on every picture that has either.

Exits 1 when, on any folder, glimmer-pcx's mean falls below the best peer's, a picture comes
out worse than ImageMagick's, a mask is not exact, or it takes more than a fifth of mogrify's
time.

Usage: pcx_output_compare.py [--each] GLIMMER_PCX SET_DIR...   --each: a row for every picture
"""
import glob
import os
import subprocess
import sys
import tempfile
import time

import numpy as np
from PIL import Image, ImageFilter

MASKS = {"masked-64": (255, 0, 255), "masked-128": (0, 255, 0), "masked-256": (255, 0, 0)}


def psnr(source, result):
    blur = ImageFilter.GaussianBlur(1)
    a = np.asarray(source.filter(blur), float)
    b = np.asarray(result.convert("RGB").filter(blur), float)
    mse = ((a - b) ** 2).mean()
    return 99.0 if mse == 0 else 10 * np.log10(255**2 / mse)


def run(cmd, **kw):
    subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL, **kw)


def quality(tool, pictures, work):
    rows = []
    for path in pictures:
        name = os.path.splitext(os.path.basename(path))[0]
        rgb = os.path.join(work, name + ".png")
        source = Image.open(path).convert("RGB")
        source.info.pop("icc_profile", None)
        source.save(rgb)
        out = {"glimmer-pcx": f"{work}/{name}-glimmer.pcx"}
        run([tool, "convert", rgb, out["glimmer-pcx"]])
        run(["/usr/bin/convert", rgb, "-colors", "256", f"PNG8:{work}/{name}-magick.png"])
        out["ImageMagick"] = f"{work}/{name}-magick.png"
        source.quantize(256).save(f"{work}/{name}-pillow.png")
        out["Pillow"] = f"{work}/{name}-pillow.png"
        run(["pngquant", "256", "--force", "--output", f"{work}/{name}-pngquant.png", rgb])
        out["pngquant"] = f"{work}/{name}-pngquant.png"
        rows.append((name, {k: psnr(source, Image.open(v)) for k, v in out.items()}))
    return rows


def masks(tool, pictures, work):
    results = []
    for path in pictures:
        name = os.path.splitext(os.path.basename(path))[0]
        src = Image.open(path)
        colour = MASKS.get(name, (255, 0, 255))
        if name not in MASKS and "A" not in src.getbands():
            continue
        out = f"{work}/{name}-mask.pcx"
        run([tool, "convert", "--mask", "#%02X%02X%02X" % colour, path, out])
        rgba = np.asarray(src.convert("RGBA"))
        want = (rgba[..., 3] < 128) | np.all(rgba[..., :3] == colour, axis=2)
        pcx = Image.open(out)
        got = np.asarray(pcx) == 0
        exact = pcx.getpalette()[:3] == list(colour) and np.array_equal(want, got)
        results.append((name, int(want.sum()), exact))
    return results


def seconds(cmd):
    """The fastest of three runs, each over outputs the one before wrote."""
    best = float("inf")
    for _ in range(3):
        start = time.perf_counter()
        run(cmd)
        best = min(best, time.perf_counter() - start)
    return best


PEERS = ["ImageMagick", "Pillow", "pngquant"]
COLUMNS = ["glimmer-pcx"] + PEERS


def measure(tool, folder, each):
    """Prints the folder's figures; whether every goal holds."""
    pictures = sorted(glob.glob(os.path.join(folder, "*.png")))
    with tempfile.TemporaryDirectory() as work:
        rows = quality(tool, pictures, work)
        means = {k: float(np.mean([r[k] for _, r in rows])) for k in COLUMNS}
        print(f"\n{folder}: {len(rows)} pictures, mean PSNR (dB, after blur radius 1)\n")
        print("| picture | glimmer-pcx | " + " | ".join(PEERS) + " |")
        print("|---|---:|" + "---:|" * len(PEERS))
        for name, r in rows if each else []:
            print(f"| {name} | " + " | ".join(f"{r[k]:.2f}" for k in COLUMNS) + " |")
        print("| **mean** | **%.2f** | " % means["glimmer-pcx"] +
              " | ".join("%.2f" % means[k] for k in COLUMNS[1:]) + " |")
        worse = [n for n, r in rows if r["glimmer-pcx"] < r["ImageMagick"]]
        margin = min(r["glimmer-pcx"] - r["ImageMagick"] for _, r in rows)
        below = sum(r["glimmer-pcx"] < r["pngquant"] for _, r in rows)
        print(f"\nbest peer {max(means[p] for p in PEERS):.2f}; pictures worse than ImageMagick: "
              f"{len(worse)} {worse} (closest {margin:+.2f} dB); below pngquant: {below}")

        mask_rows = masks(tool, pictures, work)
        print(f"masks: {sum(e for _, _, e in mask_rows)} of {len(mask_rows)} pictures with index 0 "
              "exactly on the masked pixels")

        dirs = {k: os.path.join(work, k) for k in ("ours", "theirs")}
        for d in dirs.values():
            os.mkdir(d)
        t_ours = seconds([tool, "convert", "--to", "pcx", dirs["ours"], *pictures])
        t_theirs = seconds(["mogrify", "-path", dirs["theirs"], "-format", "pcx", "-colors", "256",
                            *pictures])
        print(f"speed: glimmer-pcx convert --to pcx {t_ours:.2f} s ({t_ours / t_theirs:.3f} of "
              f"ImageMagick's time); mogrify -format pcx -colors 256 {t_theirs:.2f} s "
              f"({os.cpu_count()} cores)")
        ok = means["glimmer-pcx"] >= max(means[p] for p in PEERS) and not worse
        return ok and all(e for _, _, e in mask_rows) and t_ours * 5 <= t_theirs


def main():
    args = sys.argv[1:]
    each = "--each" in args
    args = [a for a in args if a != "--each"]
    tool, folders = os.path.abspath(args[0]), args[1:]
    results = [measure(tool, folder, each) for folder in folders]
    sys.exit(0 if folders and all(results) else 1)


if __name__ == "__main__":
    main()
