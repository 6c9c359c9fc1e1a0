#!/usr/bin/python3
"""The GdkPixbuf loader module as GTK programs reach it: the real GdkPixbuf library, through
GObject introspection, loads the module from a loader cache made in the build folder. Every
PCX and DCX of tests/data must give the pixels `glimmer-pcx convert` gives (its PNG read by
GdkPixbuf's own PNG loader), read whole and fed a few bytes at a time, or the error text
glimmer-pcx prints. Usage: pixbuf_test.py LOADERS_CACHE GLIMMER_PCX TEST_DATA MIME_XML"""
import os
import pathlib
import re
import subprocess
import sys
import tempfile

cache, tool, data, mime_xml = sys.argv[1:5]
tmp = tempfile.TemporaryDirectory()
# The package's MIME entries, as installed: GdkPixbuf picks a module by the content type GIO
# guesses, and without them a DCX file has none.
mime = pathlib.Path(tmp.name, "mime")
(mime / "packages").mkdir(parents=True)
(mime / "packages" / "glimmer-pcx.xml").write_bytes(pathlib.Path(mime_xml).read_bytes())
os.environ["XDG_DATA_DIRS"] = tmp.name + ":" + os.environ.get("XDG_DATA_DIRS", "/usr/share")
subprocess.run(["update-mime-database", str(mime)], check=True)
os.environ["GDK_PIXBUF_MODULE_FILE"] = cache

import gi  # noqa: E402  (the environment above must be set first)

gi.require_version("GdkPixbuf", "2.0")
from gi.repository import GdkPixbuf, GLib  # noqa: E402

failures = []


def check(name, ok, detail=""):
    if not ok:
        failures.append(f"{name}: {detail}")


def rgba(p):
    """Width, height and RGBA rows, whatever the pixbuf's layout."""
    p = p.add_alpha(False, 0, 0, 0)
    w, h, stride = p.get_width(), p.get_height(), p.get_rowstride()
    px = p.get_pixels()
    return w, h, b"".join(px[y * stride:y * stride + w * 4] for y in range(h))


def premultiplied(px):
    """Colours weighted by alpha: a transparent pixel's colour does not count."""
    return [px[i + c] * px[i + 3] // 255 if c < 3 else px[i + 3]
            for i in range(0, len(px), 4) for c in range(4)]


def fed(path, piece=7):
    loader = GdkPixbuf.PixbufLoader()
    # As Geeqie does: the picture announced is cleared, and what the updates bring is kept.
    loader.connect("area-prepared", lambda lo: lo.get_pixbuf().fill(0))
    raw = pathlib.Path(path).read_bytes()
    try:
        for at in range(0, len(raw), piece):
            loader.write(raw[at:at + piece])
    except GLib.Error:
        try:
            loader.close()
        except GLib.Error:
            pass
        raise
    loader.close()
    return loader.get_pixbuf()


def written(loader, pieces):
    """Writes the pieces, then closes the loader: the first error's message, or None."""
    refused = None
    try:
        for piece in pieces:
            loader.write(piece)
    except GLib.Error as e:
        refused = e.message
    try:
        loader.close()
    except GLib.Error:
        pass
    return refused


def expected(path):
    """glimmer-pcx's pixels (page 1), or the text it prints after the file's name."""
    out = pathlib.Path(tmp.name, "out.png")
    run = subprocess.run([tool, "convert", path, str(out)], capture_output=True, text=True)
    if run.returncode == 0:
        return rgba(GdkPixbuf.Pixbuf.new_from_file(str(out))), None
    said = re.match(re.escape(path) + r"(?: page \d+)?: (.*)", run.stderr.splitlines()[0])
    return None, said.group(1)


# Broken files tests/data lacks: a header cut short, DCX tables cut short, empty or pointing
# outside.
dcx = (987654321).to_bytes(4, "little")
broken = {"short.pcx": b"\n\x05\x01\x08",
          "short-kind.pcx": b"\n\x05\x01\x08" + bytes(61) + b"\x01",
          "cut.dcx": dcx + b"\x08\x00", "no-pages.dcx": dcx + bytes(4),
          "outside.dcx": dcx + (9999).to_bytes(4, "little") + bytes(4)}
for name, content in broken.items():
    pathlib.Path(tmp.name, name).write_bytes(content)
files = sorted(str(p) for p in pathlib.Path(data).rglob("*") if p.suffix in (".pcx", ".dcx"))
files += [f"{tmp.name}/{name}" for name in broken]
for path in files:
    pixels, text = expected(path)
    for how, load in (("whole", GdkPixbuf.Pixbuf.new_from_file), ("fed", fed)):
        try:
            got = load(path)
        except GLib.Error as e:
            check(f"{path} {how}", text and e.message.endswith(text),
                  f"{e.message!r}, glimmer-pcx: {text!r}")
            continue
        check(f"{path} {how}", pixels and got and rgba(got) == pixels,
              f"differs; glimmer-pcx: {text!r}")

# A smaller size asked is the size given, its pixels close to the whole picture shrunk.
for path, w, h in (("kinds/kde-dice_rgba.pcx", 20, 15), ("pcx/256-palette.pcx", 100, 81),
                   ("pcx/rgb-gimp-2.8.10.pcx", 7, 32), ("kinds/commons-oregon.dcx", 50, 40)):
    full = GdkPixbuf.Pixbuf.new_from_file(f"{data}/{path}")
    small = GdkPixbuf.Pixbuf.new_from_file_at_scale(f"{data}/{path}", w, h, False)
    _, _, a = rgba(small)
    _, _, b = rgba(full.scale_simple(w, h, GdkPixbuf.InterpType.TILES))
    diff = sum(abs(x - y) for x, y in zip(premultiplied(a), premultiplied(b))) / len(a)
    check(f"{path} at {w}x{h}", (small.get_width(), small.get_height()) == (w, h) and diff < 8,
          f"{small.get_width()}x{small.get_height()}, mean difference {diff:.1f}")

for path in ("pcx/planet.pcx", "kinds/magick-pages.dcx"):
    info, w, h = GdkPixbuf.Pixbuf.get_file_info(f"{data}/{path}")
    check(f"{path} info", info and info.get_name() == "pcx" and w > 0 and h > 0, f"{info} {w}x{h}")

# A GTK program that loads the module must not load Qt.
module = next(line.strip('"') for line in pathlib.Path(cache).read_text().splitlines()
              if line.endswith('/libpixbufloader-pcx.so"'))
libraries = subprocess.run(["ldd", module], capture_output=True, text=True).stdout
check("the module's libraries", "libQt" not in libraries and "libgdk_pixbuf" in libraries,
      libraries)


def big_pcx(path, w, h):
    """An 8-bit picture of w x h pixels in runs: a few megabytes, w * h * 3 bytes as RGB."""
    header = bytearray(128)
    header[0:4] = bytes([10, 5, 1, 8])
    header[8:12] = (w - 1).to_bytes(2, "little") + (h - 1).to_bytes(2, "little")
    header[65], header[66:68] = 1, w.to_bytes(2, "little")
    row = bytes([0xC0 | 63, 0]) * (w // 63) + bytes([0xC0 | (w % 63), 0])
    palette = bytes([12]) + bytes(range(256)) * 3
    pathlib.Path(path).write_bytes(bytes(header) + row * h + palette)


# Asked for a thumbnail, the module never holds the picture: a 384 MB picture costs what its
# thumbnail and file cost.
big = f"{tmp.name}/big.pcx"
big_pcx(big, 16000, 8000)
peak = subprocess.run([sys.executable, "-c", """if True:
    import gi, resource, sys
    gi.require_version("GdkPixbuf", "2.0")
    from gi.repository import GdkPixbuf
    p = GdkPixbuf.Pixbuf.new_from_file_at_size(sys.argv[1], 160, 160)
    assert (p.get_width(), p.get_height()) == (160, 80)
    print(resource.getrusage(resource.RUSAGE_SELF).ru_maxrss // 1024)""", big],
    capture_output=True, text=True)
# AddressSanitizer's own bookkeeping is counted too in a sanitizer build.
budget = 250 if "asan" in os.environ.get("LD_PRELOAD", "") else 100
check("thumbnail of 16000x8000", peak.returncode == 0 and int(peak.stdout) < budget,
      f"{peak.stdout.strip()} MiB at the peak {peak.stderr.strip()}")

# A load whose write failed, past the 2 GiB that glimmer-pcx reads, stays failed: GdkPixbuf
# closes the loader then, and what it took must not become a picture.
loader = GdkPixbuf.PixbufLoader()
announced = []
loader.connect("area-prepared", lambda lo: announced.append("prepared"))
loader.connect("area-updated", lambda lo, *area: announced.append("updated"))
header = bytearray(128)
# A true-colour 4 x 4 picture, which any bytes after its header complete.
header[0:4], header[8:12], header[65:68] = bytes([10, 5, 1, 8]), bytes([3, 0, 3, 0]), b"\x03\x04\x00"
chunk = bytes(1 << 30)
refused = written(loader, (bytes(header), chunk, chunk))  # the second GiB passes the limit
check("a load past the limit", refused and "2048 MiB" in refused and not announced
      and loader.get_pixbuf() is None, f"{refused!r}, signals {announced}")

# A load told at its size to make no picture, as gdk_pixbuf_get_file_info does, holds none of
# what follows: the same two GiB pass.
loader = GdkPixbuf.PixbufLoader.new_with_type("pcx")
loader.connect("size-prepared", lambda lo, w, h: lo.set_size(0, 0))
stopped = written(loader, (bytes(header), chunk, chunk))
check("a load stopped at its size", stopped is None, stopped)
del chunk

# The size is told from the header alone once a file still coming passes a megabyte, so that a
# program that asks only the size reads no further; a smaller file is judged when it is whole.
for name, pieces, before_close in (("a file still coming", (bytes(header), bytes(1 << 20)), [(4, 4)]),
                                   ("a small file", (bytes(header),), [])):
    loader, sizes = GdkPixbuf.PixbufLoader.new_with_type("pcx"), []  # no sniffing buffer
    loader.connect("size-prepared", lambda lo, w, h: sizes.append((w, h)))
    for piece in pieces:
        loader.write(piece)
    told = list(sizes)
    try:
        loader.close()
    except GLib.Error:
        pass
    check(f"the size of {name}", told == before_close and sizes == [(4, 4)], f"{told} {sizes}")

print(f"{len(files)} files, {len(failures)} failures")
print("\n".join(failures))
sys.exit(1 if failures else 0)
