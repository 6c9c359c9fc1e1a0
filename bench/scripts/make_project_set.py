#!/usr/bin/python3
"""Draws the project's set of true-colour pictures that glimmer-pcx's 8-bit output is measured
on: game-like textures (stone, brick, metal, wood, grass, lava; 64 to 512 pixels), screenshots
(skies, walls in perspective, fog, a HUD; 640x480 to 1280x1024), sprites with soft alpha
edges, and textures masked with a colour. Seeded, so every run draws the same files.

Usage: make_project_set.py OUT_DIR
       make_project_set.py --batch OUT_DIR   600 textures of 256x256 and 160 pictures of other
                                             sizes, for timing batch conversions
"""
import os
import sys

import numpy as np
from PIL import Image, ImageDraw, ImageFilter

rng = np.random.default_rng(20261208)


def noise(h, w, scale):
    """Smooth value noise in 0..1: random cells, scaled up smoothly, octaves summed."""
    total = np.zeros((h, w))
    amp = 1.0
    for octave in range(4):
        cells = max(2, int(scale * 2**octave))
        grid = rng.random((cells, cells))
        layer = Image.fromarray((grid * 255).astype(np.uint8)).resize((w, h), Image.BICUBIC)
        total += amp * np.asarray(layer, dtype=float) / 255
        amp /= 2
    return (total - total.min()) / (np.ptp(total) + 1e-9)


def tint(value, low, high):
    """Colours between two, with each channel's own grain, as a photographed surface has."""
    low, high = np.array(low, float), np.array(high, float)
    grain = rng.normal(0, 5, value.shape + (3,))
    return (low + (high - low) * value[..., None] + grain).clip(0, 255).astype(np.uint8)


def stone(s):
    return tint(noise(s, s, 4) * 0.8 + rng.random((s, s)) * 0.2, (60, 58, 55), (170, 160, 150))


def bricks(s):
    img = tint(noise(s, s, 8) * 0.5 + rng.random((s, s)) * 0.15, (120, 40, 30), (200, 90, 60))
    row = s // 8
    y, x = np.mgrid[0:s, 0:s]
    mortar = (y % row < 3) | (((x + (y // row % 2) * row) % (2 * row)) < 3)
    img[mortar] = (np.array([150, 145, 135]) * (0.8 + 0.2 * rng.random((mortar.sum(), 1)))).astype(np.uint8)
    return img


def metal(s):
    y, x = np.mgrid[0:s, 0:s]
    brushed = noise(s, s, 16) * 0.3 + 0.5 + 0.2 * np.sin(x / s * 3.1)
    img = tint(brushed, (40, 50, 60), (190, 200, 215))
    for cx in (s // 8, 7 * s // 8):  # rivets
        for cy in (s // 8, 7 * s // 8):
            d = np.hypot(x - cx, y - cy) < s / 40
            img[d] = (230, 230, 235)
    return img


def wood(s):
    y, x = np.mgrid[0:s, 0:s]
    rings = np.sin((x / s * 6 + noise(s, s, 3) * 4) * np.pi) * 0.5 + 0.5
    return tint(rings * 0.7 + noise(s, s, 20) * 0.3, (90, 50, 20), (200, 140, 80))


def grass(s):
    return tint(noise(s, s, 12) * 0.6 + rng.random((s, s)) * 0.4, (20, 70, 10), (110, 190, 60))


def lava(s):
    v = noise(s, s, 5) ** 2
    low = tint(v, (60, 0, 0), (255, 120, 0))
    hot = v > 0.6
    low[hot] = tint(v[hot], (255, 160, 0), (255, 255, 180))
    return low


def screenshot(w, h, kind):
    y, x = np.mgrid[0:h, 0:w]
    sky = tint(y / h, (30, 60, 140), (200, 150, 120))
    img = sky.copy()
    horizon = h // 2 + int(h * 0.05 * kind)
    ground = y > horizon + (noise(h, w, 3) * h * 0.15).astype(int)
    floor = tint(noise(h, w, 10) * (y / h), (20, 30, 10), (140, 120, 90))
    img[ground] = floor[ground]
    # Walls in perspective: two quadrilaterals of brick.
    im = Image.fromarray(img)
    brick = Image.fromarray(bricks(256)).resize((w // 3, h // 2))
    im.paste(brick, (w // 12, h // 4))
    im.paste(Image.fromarray(metal(256)).resize((w // 4, h // 3)), (2 * w // 3, h // 3))
    d = ImageDraw.Draw(im)
    d.rectangle((0, h - h // 10, w, h), fill=(20, 20, 30))  # HUD
    for i in range(5):
        d.rectangle((20 + i * w // 6, h - h // 12, 20 + i * w // 6 + w // 8, h - h // 40),
                    fill=(200, 180 - 30 * i, 40 + 40 * i))
    im = im.filter(ImageFilter.GaussianBlur(0.6))
    fog = np.asarray(im, float) * (1 - 0.3 * (1 - y / h))[..., None] + 60 * 0.3 * (1 - y / h)[..., None]
    return fog.clip(0, 255).astype(np.uint8)


def sprite(s):
    """A many-coloured figure on transparency with soft edges."""
    img = np.zeros((s, s, 4), np.uint8)
    y, x = np.mgrid[0:s, 0:s]
    r = np.hypot(x - s / 2, (y - s / 2) * 1.3) / (s / 2.3)
    img[..., :3] = tint(noise(s, s, 6), (30, 40, 200), (250, 220, 60))
    img[..., 3] = (np.clip(1 - r, 0, 0.1) * 10 * 255).astype(np.uint8)
    return img


def masked(s, colour):
    img = stone(s)
    y, x = np.mgrid[0:s, 0:s]
    img[(np.abs(x - s / 2) > s / 3) | (np.hypot(x - s / 2, y - s / 2) > s / 2.2)] = colour
    return img


def batch(out):
    os.makedirs(out, exist_ok=True)
    kinds = [stone, bricks, metal, wood, grass, lava]
    for i in range(600):
        Image.fromarray(kinds[i % len(kinds)](256)).save(os.path.join(out, f"tex{i:03}.png"))
    sizes = [(64, 64), (128, 128), (512, 512), (1024, 1024), (128, 64), (640, 480), (800, 600),
             (1024, 768)]
    for i in range(160):
        w, h = sizes[i % len(sizes)]
        pixels = screenshot(w, h, i % 4) if w * 3 == h * 4 else kinds[i % len(kinds)](max(w, h))[:h, :w]
        Image.fromarray(pixels).save(os.path.join(out, f"other{i:03}.png"))


def main():
    if sys.argv[1] == "--batch":
        return batch(sys.argv[2])
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    pictures = {}
    for name, draw in [("stone", stone), ("bricks", bricks), ("metal", metal), ("wood", wood),
                       ("grass", grass), ("lava", lava)]:
        for s in (64, 128, 256, 512):
            pictures[f"tex-{name}-{s}"] = draw(s)
    for i, (w, h) in enumerate([(640, 480), (800, 600), (1024, 768), (1280, 1024)]):
        pictures[f"shot-{w}x{h}"] = screenshot(w, h, i)
    for s in (32, 64, 128, 256):
        pictures[f"sprite-{s}"] = sprite(s)
    for s, colour in ((64, (255, 0, 255)), (128, (0, 255, 0)), (256, (255, 0, 0))):
        pictures[f"masked-{s}"] = masked(s, colour)
    for name, pixels in pictures.items():
        Image.fromarray(pixels).save(os.path.join(out, name + ".png"))


if __name__ == "__main__":
    main()
