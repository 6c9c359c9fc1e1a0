#!/usr/bin/python3
"""Opening a PCX through GdkPixbuf against opening the same picture as a PNG that ImageMagick
wrote, in one run: an 8-bit and a 24-bit 1920 x 1080 screenshot. The screenshot is a mosaic of
the track screenshots of Debian's supertuxkart-data (installed when missing), so its runs are a
real picture's. Each file is opened N times with GdkPixbuf.Pixbuf.new_from_file, the files taking
turns, through the module as installed (decoding in its confined process) and through the same
module decoding in the host's process (build/pixbuf/direct, never installed), each in a process
of its own; the median of each is printed, and the PCX's as a ratio of its PNG's.

Usage: pixbuf_vs_png.py GLIMMER_PCX LOADER_CACHE [N]   LOADER_CACHE: build/pixbuf/loaders.cache
"""
import glob
import os
import statistics
import subprocess
import sys
import tempfile
import time

from PIL import Image

import make_real_set  # beside this script: the game data, installed when missing

DATA = f"{make_real_set.DATA}/tracks"


def screenshot(path):
    """1920 x 1080 of 4 x 2 track screenshots, each cut to 480 x 540 from its centre."""
    shots = sorted(glob.glob(f"{DATA}/*/screenshot.jpg"))[:8]
    if len(shots) < 8:
        raise SystemExit("supertuxkart-data has fewer than 8 track screenshots")
    out = Image.new("RGB", (1920, 1080))
    for i, shot in enumerate(shots):
        im = Image.open(shot).convert("RGB")
        scale = max(480 / im.width, 540 / im.height)
        im = im.resize((round(im.width * scale), round(im.height * scale)), Image.LANCZOS)
        left, top = (im.width - 480) // 2, (im.height - 540) // 2
        out.paste(im.crop((left, top, left + 480, top + 540)), ((i % 4) * 480, (i // 4) * 540))
    out.save(path)


def worker(cache):
    """Opens each path read from stdin and prints the seconds it took."""
    os.environ["GDK_PIXBUF_MODULE_FILE"] = cache
    import gi
    gi.require_version("GdkPixbuf", "2.0")
    from gi.repository import GdkPixbuf
    for line in sys.stdin:
        start = time.perf_counter()
        GdkPixbuf.Pixbuf.new_from_file(line.rstrip("\n"))
        print(time.perf_counter() - start, flush=True)


class Opener:
    """A process of its own that opens pictures through the loaders of `cache`."""

    def __init__(self, cache):
        self.proc = subprocess.Popen([sys.executable, __file__, "--worker", cache],
                                     stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)

    def open(self, path):
        self.proc.stdin.write(path + "\n")
        self.proc.stdin.flush()
        return float(self.proc.stdout.readline())


def main():
    if sys.argv[1] == "--worker":
        return worker(sys.argv[2])
    tool, cache = sys.argv[1], os.path.abspath(sys.argv[2])
    direct = os.path.join(os.path.dirname(cache), "direct", "loaders.cache")
    n = int(sys.argv[3]) if len(sys.argv) > 3 else 40
    make_real_set.install()
    with tempfile.TemporaryDirectory() as work:
        source = f"{work}/shot.png"
        screenshot(source)
        files = {}
        for label, extra in (("8-bit", []), ("24-bit", ["--truecolor"])):
            pcx = f"{work}/{label}.pcx"
            subprocess.run([tool, "convert", *extra, source, pcx], check=True,
                           stdout=subprocess.DEVNULL)
            subprocess.run(["convert", pcx, f"{work}/{label}.png"], check=True)
            files[label] = (pcx, f"{work}/{label}.png")
        openers = {"confined": Opener(cache), "in-process": Opener(direct)}
        runs = [(who, path) for pair in files.values() for path in pair for who in openers]
        times = {run: [] for run in runs}
        for who, path in runs:  # warm the page cache and the loaders
            openers[who].open(path)
        for _ in range(n):
            for who, path in runs:
                times[(who, path)].append(openers[who].open(path))
        median = {run: statistics.median(t) for run, t in times.items()}
        print("| picture (1920 x 1080) | PCX, confined | PCX, in-process | PNG (ImageMagick) |"
              " confined / PNG | in-process / PNG |")
        print("|---|---:|---:|---:|---:|---:|")
        for label, (pcx, png) in files.items():
            a, b = median[("confined", pcx)], median[("in-process", pcx)]
            c = median[("confined", png)]
            print(f"| {label}, {os.path.getsize(pcx) // 1024} KiB PCX, {os.path.getsize(png) // 1024}"
                  f" KiB PNG | {a * 1e3:.2f} ms | {b * 1e3:.2f} ms | {c * 1e3:.2f} ms |"
                  f" {a / c:.2f} | {b / c:.2f} |")


if __name__ == "__main__":
    main()
