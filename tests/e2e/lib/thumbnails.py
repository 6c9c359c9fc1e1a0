"""Asks GNOME's thumbnail factory for a thumbnail of every file in WORK/shots and checks each
against WORK/want/NAME.png; the files named after WORK must get none. Draws the thumbnails
as a file manager's grid into WORK/thumbnails.png. Usage: thumbnails.py WORK [BROKEN...]"""
import os
import sys

import gi

gi.require_version("GnomeDesktop", "3.0")
from gi.repository import GLib, Gio, GnomeDesktop  # noqa: E402
from PIL import Image, ImageChops, ImageDraw, ImageFont, ImageStat  # noqa: E402

work, broken = sys.argv[1], set(sys.argv[2:])
MIME = {".pcx": "image/vnd.zbrush.pcx", ".dcx": "image/x-dcx"}
factory = GnomeDesktop.DesktopThumbnailFactory.new(GnomeDesktop.DesktopThumbnailSize.NORMAL)
failures = []


def thumbnail(path):
    """The factory's thumbnail of path as a Pillow image, or None when it makes none."""
    f = Gio.File.new_for_path(path)
    info = f.query_info("standard::content-type,time::modified", 0, None)
    mime = info.get_content_type()
    wanted = MIME[os.path.splitext(path)[1].lower()]
    if mime != wanted:
        failures.append(f"{path}: the MIME database says {mime}, not {wanted}")
    uri = f.get_uri()
    if not factory.can_thumbnail(uri, mime, info.get_attribute_uint64("time::modified")):
        failures.append(f"{path}: the factory offers no thumbnailer")
        return None
    try:
        pixbuf = factory.generate_thumbnail(uri, mime, None)
    except GLib.Error:
        return None
    out = os.path.join(work, "got", os.path.basename(path) + ".png")
    pixbuf.savev(out, "png", [], [])
    return Image.open(out).convert("RGB")


def check(name, got):
    want = Image.open(os.path.join(work, "want", name + ".png")).convert("RGB")
    side = max(want.size)
    if side > 128:
        size = tuple(max(1, round(n * 128 / side)) for n in want.size)
    else:
        size = want.size
    if got.size != size:
        failures.append(f"{name}: thumbnail {got.size}, wanted {size}")
        return
    want = want.resize(size, Image.BILINEAR, reducing_gap=2.0)
    # Scalers part on dithered detail, not on a quarter of the size: compared there, a wrong
    # colour or a shifted picture still shows.
    quarter = tuple(max(1, n // 4) for n in size)
    got, want = got.resize(quarter, Image.BOX), want.resize(quarter, Image.BOX)
    mean = sum(ImageStat.Stat(ImageChops.difference(got, want)).mean) / 3
    if mean >= 3:
        failures.append(f"{name}: pixels differ from the scaled picture (mean {mean:.1f})")


def grid(tiles):
    """A file manager's icon view: 128-pixel tiles, names below, a blank page for no thumbnail."""
    font = ImageFont.truetype("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 12)
    cols, cell_w, cell_h = 4, 160, 170
    rows = (len(tiles) + cols - 1) // cols
    sheet = Image.new("RGB", (cols * cell_w + 16, rows * cell_h + 16), (250, 250, 250))
    draw = ImageDraw.Draw(sheet)
    for i, (name, image) in enumerate(tiles):
        x = 8 + (i % cols) * cell_w
        y = 8 + (i // cols) * cell_h
        if image is None:  # what file managers show: a plain document icon
            draw.rectangle([x + 48, y + 32, x + 112, y + 112], fill=(255, 255, 255),
                           outline=(150, 150, 150))
        else:
            sheet.paste(image, (x + (cell_w - image.width) // 2, y + 8 + (128 - image.height)))
        label = name if len(name) <= 22 else name[:20] + "…"
        w = draw.textlength(label, font=font)
        draw.text((x + (cell_w - w) / 2, y + 142), label, fill=(30, 30, 30), font=font)
    sheet.save(os.path.join(work, "thumbnails.png"))


os.makedirs(os.path.join(work, "got"))
tiles = []
for name in sorted(os.listdir(os.path.join(work, "shots")), key=str.lower):
    got = thumbnail(os.path.join(work, "shots", name))
    tiles.append((name, got))
    if name in broken:
        if got is not None:
            failures.append(f"{name}: a malformed file got a thumbnail")
    elif got is None:
        failures.append(f"{name}: no thumbnail")
    else:
        check(name, got)
grid(tiles)
for f in failures:
    print(f"e2e-thumbnails FAIL: {f}")
sys.exit(1 if failures else 0)
