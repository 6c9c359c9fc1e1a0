#!/usr/bin/python3
"""Checks glimmer-pcx's TGA reading against the other readers. Each `*.tga` under each DIR is
read by ImageMagick (`convert x.tga -auto-orient pam:-`: without -auto-orient it only records
the origin), Pillow's TGA reader (Image.open takes a file whose image ID is 10 bytes for PCX),
netpbm (`tgatoppm --alphaout`, whose alpha counts for 32-bit pixels and map entries alone),
GdkPixbuf's own TGA loader, with --gimp GIMP (one batch run; its plug-ins take about a second
a file), and by `GLIMMER_PCX convert x.tga out.png`. Their RGBA pixels are compared (where
alpha is 0, by alpha alone; a reader that gives no alpha gives 255): the picture that more
than half of the readers that read a file give, and at least two, is the agreed one. Readers
widen 5-bit channels (15- and 16-bit pixels and map entries) by different rules, so there
they agree when the 5-bit values do, and the agreed picture is widened as c<<3|c>>2. Pillow
and GdkPixbuf read in a child process, so that a crash is reported as one.

Prints, for each DIR and in all: files, files every reader agrees on, files with no agreed
picture, and glimmer-pcx's matches, differences and failures; then how each reader differs
from the agreed pictures (flipped, alpha ignored, 5-bit channels scaled otherwise, ...), and
the files where glimmer-pcx is wrong. glimmer-pcx follows the extension area's alpha type, which
the other readers ignore: where it has one, the agreed picture is taken as that type says. Exits 1
when glimmer-pcx differs from an agreed picture,
or fails on a file that more than half of the readers read.

Usage: compare_tga.py [--each] [--gimp] [--agreed OUT] [-j N] GLIMMER_PCX DIR...
       --each        one line per file: its header, then how each reader read it
       --gimp        GIMP reads too
       --agreed OUT  writes each agreed picture as OUT/NAME.png
       -j N          files read at once (default 1)
"""
import argparse
import collections
import io
import multiprocessing
import os
import pickle
import signal
import struct
import subprocess
import sys
import tempfile
from pathlib import Path

import numpy as np
from PIL import Image, TgaImagePlugin
import gi

gi.require_version("GdkPixbuf", "2.0")
from gi.repository import GdkPixbuf  # noqa: E402

TIMEOUT = 60
ORIGINS = {0: "bottom-left", 0x10: "bottom-right", 0x20: "top-left", 0x30: "top-right"}


def tga_info(path):
    """What the header, footer and packets say, for the report: no reader's judgement."""
    data = Path(path).read_bytes()
    if len(data) < 18:
        return {"short": True}
    (id_len, map_type, kind, map_first, map_len, map_bits, _, _, width, height, bits,
     desc) = struct.unpack("<BBBHHBHHHHBB", data[:18])
    info = dict(type=kind, bits=bits, width=width, height=height, id=id_len,
                origin=ORIGINS[desc & 0x30], attr=desc & 15, interleave=desc >> 6,
                map=(map_first, map_len, map_bits) if map_type else None, footer=False,
                ext_alpha=None, crosses=False, truncated=False)
    if data[-18:] == b"TRUEVISION-XFILE.\0":
        info["footer"] = True
        ext = struct.unpack("<I", data[-26:-22])[0]
        if ext and ext + 495 <= len(data) - 26:
            info["ext_alpha"] = data[ext + 494]
    pos = 18 + id_len + (map_len * ((map_bits + 7) // 8) if map_type else 0)
    size, total, done = (bits + 7) // 8, width * height, 0
    if kind in (9, 10, 11):
        while done < total and pos < len(data):
            count = (data[pos] & 0x7F) + 1
            if width and done // width != min(done + count - 1, total - 1) // width:
                info["crosses"] = True
            pos += 1 + (size if data[pos] & 0x80 else size * count)
            done += count
        info["truncated"] = done < total or pos > len(data)
    else:
        info["truncated"] = pos + (bits * total + 7) // 8 > len(data)
    return info


def info_text(i):
    if i.get("short"):
        return "shorter than a header"
    parts = [f"type {i['type']}", f"{i['bits']} bits", f"{i['width']}x{i['height']}",
             i["origin"], f"attr {i['attr']}"]
    if i["map"]:
        parts.append("map from %d, %d of %d bits" % i["map"])
    parts += [f"id {i['id']}"] if i["id"] else []
    parts += ["interleave %d" % i["interleave"]] if i["interleave"] else []
    parts.append("footer" + ("" if i["ext_alpha"] is None else f", alpha type {i['ext_alpha']}")
                 if i["footer"] else "no footer")
    parts += ["packets cross lines"] if i["crosses"] else []
    parts += ["truncated"] if i["truncated"] else []
    return ", ".join(parts)


def rgba(im):
    return np.asarray(im.convert("RGBA")).copy()


def read_pam(data):
    """A PAM of 8-bit samples as RGBA; grey is spread, a missing alpha is 255."""
    head, fields = io.BytesIO(data), {}
    assert head.readline().strip() == b"P7", "not a PAM"
    while (line := head.readline().strip()) != b"ENDHDR":
        key, _, value = line.partition(b" ")
        fields[key] = value
    w, h, depth = (int(fields[k]) for k in (b"WIDTH", b"HEIGHT", b"DEPTH"))
    px = np.frombuffer(head.read(w * h * depth), np.uint8).reshape(h, w, depth)
    if depth <= 2:
        px = np.concatenate([px[..., :1]] * 3 + [px[..., 1:]], axis=2)
    if px.shape[2] == 3:
        px = np.concatenate([px, np.full((h, w, 1), 255, np.uint8)], axis=2)
    return px


def run(cmd, **kw):
    return subprocess.run(cmd, capture_output=True, timeout=TIMEOUT, **kw)


def magick(path, _info):
    p = run(["convert", path, "-auto-orient", "-depth", "8", "pam:-"])
    if not p.stdout:
        raise RuntimeError(p.stderr.decode(errors="replace").strip() or f"exit {p.returncode}")
    return read_pam(p.stdout)


def netpbm(path, info):
    """tgatoppm gives alpha only for 32-bit pixels (zeros otherwise): that alone counts."""
    with tempfile.TemporaryDirectory() as tmp:
        alpha = os.path.join(tmp, "a.pgm")
        p = run(["tgatoppm", f"--alphaout={alpha}", path])
        if p.returncode or not p.stdout:
            raise RuntimeError(p.stderr.decode(errors="replace").strip() or f"exit {p.returncode}")
        px = rgba(Image.open(io.BytesIO(p.stdout)))
        with_alpha = info.get("bits") == 32 or (info.get("map") or (0, 0, 0))[2] == 32
        if with_alpha and info.get("type") not in (3, 11):
            px[..., 3] = np.asarray(Image.open(alpha).convert("L"))
        return px


def pillow(path, _info):
    """Its TGA reader itself: Image.open takes a TGA file whose first byte is 10 for PCX."""
    with TgaImagePlugin.TgaImageFile(path) as im:
        return rgba(im)


def gdkpixbuf(path, _info):
    loader = GdkPixbuf.PixbufLoader.new_with_type("tga")
    loader.write(Path(path).read_bytes())
    loader.close()
    pb = loader.get_pixbuf()
    w, h, n, stride = pb.get_width(), pb.get_height(), pb.get_n_channels(), pb.get_rowstride()
    raw = pb.get_pixels()
    px = np.stack([np.frombuffer(raw, np.uint8, w * n, y * stride) for y in range(h)])
    px = px.reshape(h, w, n)
    return px if n == 4 else np.concatenate([px, np.full((h, w, 1), 255, np.uint8)], axis=2)


def forked(reader, path, info):
    """Runs an in-process reader in a child, so that a crash or a hang is only that reader's."""
    r, w = os.pipe()
    pid = os.fork()
    if pid == 0:
        os.close(r)
        signal.alarm(TIMEOUT)
        try:
            result = ("ok", reader(path, info))
        except Exception as e:  # every failure is a result here
            result = ("fail", str(e).strip().splitlines()[0][:120] if str(e).strip() else type(e).__name__)
        with os.fdopen(w, "wb") as out:
            pickle.dump(result, out)
        os._exit(0)
    os.close(w)
    with os.fdopen(r, "rb") as inp:
        data = inp.read()
    status = os.waitpid(pid, 0)[1]
    if os.WIFSIGNALED(status):
        return "crashed (signal %d)" % os.WTERMSIG(status)
    kind, value = pickle.loads(data)
    return value if kind == "ok" else "fails: " + value


def external(reader, path, info):
    try:
        return reader(path, info)
    except subprocess.TimeoutExpired:
        return "fails: hangs"
    except Exception as e:
        msg = str(e).strip().splitlines()
        return "fails: " + (msg[0][:120] if msg else type(e).__name__)


def glimmer(exe, path):
    with tempfile.TemporaryDirectory() as tmp:
        out = os.path.join(tmp, "out.png")
        try:
            p = run([exe, "convert", path, out])
        except subprocess.TimeoutExpired:
            return "fails: hangs"
        if p.returncode < 0:
            return "crashed (signal %d)" % -p.returncode
        if p.returncode or not os.path.exists(out):
            msg = p.stderr.decode(errors="replace").strip().splitlines()
            return "fails: " + (msg[-1].replace(path + ": ", "")[:100] if msg else f"exit {p.returncode}")
        with Image.open(out) as im:
            return rgba(im)


def gimp_batch(paths, outdir):
    """GIMP reads every file in one run (it takes seconds to start); a file it cannot read
    leaves no PNG."""
    quote = lambda s: '"' + s.replace("\\", "\\\\").replace('"', '\\"') + '"'
    for start in range(0, len(paths), 200):
        cmds = []
        for n, path in enumerate(paths[start:start + 200], start):
            out = quote(os.path.join(outdir, f"{n}.png"))
            cmds += ["-b", f"(let* ((img (car (file-tga-load 1 {quote(str(path))} \"x\")))"
                           f" (d (car (gimp-image-get-active-drawable img))))"
                           f" (file-png-save 1 img d {out} \"x\" 0 1 0 0 0 0 0) (gimp-image-delete img))"]
        subprocess.run(["gimp", "-i", "-d", "-f"] + cmds + ["-b", "(gimp-quit 0)"],
                       capture_output=True, timeout=TIMEOUT * 20)


def canonical(px):
    px = px.copy()
    px[px[..., 3] == 0, :3] = 0
    return px


def how_differs(r, m):
    """How a reader's picture differs from the agreed one, in words."""
    if r.shape != m.shape:
        return "size %dx%d" % (r.shape[1], r.shape[0])
    best = None
    for name, t in (("", r), ("upside down", r[::-1]), ("mirrored", r[:, ::-1]),
                    ("turned 180°", r[::-1, ::-1])):
        wrong = int(np.any(canonical(t) != canonical(m), axis=2).sum())
        if best is None or wrong < best[0]:
            best = (wrong, name, t)
    _, words, t = best
    words = [words] if words else []
    ra, ma = t[..., 3].astype(int), m[..., 3].astype(int)
    if np.any(ra != ma):
        if np.all(ra == 255):
            words.append("alpha ignored")
        elif np.all(ra == 0):
            words.append("all transparent")
        elif np.all(ma == 255):
            words.append("alpha where none is agreed")
        else:
            words.append("alpha differs in %d pixels" % int((ra != ma).sum()))
    both = (ra > 0) & (ma > 0)
    rc, mc = t[..., :3][both].astype(int), m[..., :3][both].astype(int)
    if np.any(rc != mc):
        words.append(colour_words(rc, mc, ma[both][:, None]) or shifted(t, m))
    return ", ".join(words) or "differs"


# The ways readers widen a 5-bit channel to 8 bits.
WIDEN5 = {"c<<3|c>>2": [c << 3 | c >> 2 for c in range(32)], "c*255/31 rounded down": [c * 255 // 31 for c in range(32)],
          "c*255/31 rounded": [(c * 510 + 31) // 62 for c in range(32)], "c<<3": [c << 3 for c in range(32)]}


def narrow5(c):
    """The rule that widened every value of c from 5 bits, and c in 5 bits; else None."""
    for rule, table in WIDEN5.items():
        back = {v: n for n, v in enumerate(table)}
        if all(v in back for v in np.unique(c)):
            return rule, np.vectorize(back.get)(c)
    return None


def colour_words(rc, mc, ma):
    """Colours of pixels both readers see, rc against the agreed mc (n x 3), in words."""
    swapped = np.array_equal(rc[:, ::-1], mc)
    if swapped:
        return "red and blue swapped"
    r5, m5 = narrow5(rc), narrow5(mc)
    if r5 and m5 and r5[0] != m5[0]:
        same = np.array_equal(r5[1], m5[1])
        if same or np.array_equal(r5[1][:, ::-1], m5[1]):
            return ("" if same else "red and blue swapped, ") + f"5-bit channels as {r5[0]}, agreed {m5[0]}"
    d = int(np.abs(rc - mc).max())
    if d <= 2:
        return "colours off by up to %d" % d
    if np.any(ma < 255) and np.all(np.abs(rc - mc * ma // 255) <= 1):
        return "colours premultiplied"
    if np.any(ma < 255) and np.all(np.abs(rc * ma // 255 - mc) <= 1):
        return "colours multiplied by alpha in the agreed picture"
    if np.all(rc == rc[:, :1]) and not np.all(mc == mc[:, :1]):
        return "grey where colours are agreed"
    return None


def shifted(r, m):
    """The shift along the scan lines that makes most pixels match, else how many differ."""
    a, b = canonical(r).reshape(-1, 4), canonical(m).reshape(-1, 4)
    for k in [k for n in range(1, 2 * r.shape[1] + 1) for k in (n, -n)]:
        x, y = (a[k:], b[:-k]) if k > 0 else (a[:k], b[-k:])
        if len(x) and np.mean(np.all(x == y, axis=1)) > 0.95:
            return f"shifted by {k} pixels"
    wrong = np.any(a != b, axis=1)
    return "colours differ in %d pixels (up to %d)" % (int(wrong.sum()), int(np.abs(a.astype(int) - b).max()))


REFERENCES = {"magick": (external, magick), "pillow": (forked, pillow),
              "netpbm": (external, netpbm), "gdkpixbuf": (forked, gdkpixbuf)}


def five_bit(info):
    """Whether the file's colours are 5 bits a channel, which readers widen each their own way."""
    m = info.get("map")
    return (m[2] if m else info.get("bits")) in (15, 16) and info.get("type") not in (3, 11)


def key(px, loose):
    """What two readings must share to agree: with `loose`, 5-bit channels however widened."""
    c = canonical(px)
    n = narrow5(c[..., :3]) if loose else None
    return (c.shape, c.tobytes() if n is None else n[1].astype(np.uint8).tobytes() + c[..., 3].tobytes())


def by_extension(agreed, alpha_type):
    """The agreed picture as the extension area's alpha type has it, which every other reader
    ignores and glimmer-pcx follows: types 0 to 2 say the fourth byte is no alpha, 4 that the
    colours are premultiplied by it."""
    out = agreed.copy()
    if alpha_type in (0, 1, 2):
        out[..., 3] = 255
    elif alpha_type == 4:
        a = out[..., 3:].astype(int)
        c = out[..., :3].astype(int)
        out[..., :3] = np.where(a > 0, np.minimum(255, (c * 255 + a // 2) // np.maximum(a, 1)), 0)
    return out


def check(job):
    """Every reader's reading of one file, and what they agree on."""
    path, exe, gimp_png = job
    info = tga_info(path)
    got = {name: how(reader, str(path), info) for name, (how, reader) in REFERENCES.items()}
    if gimp_png is not None:
        got["gimp"] = rgba(Image.open(gimp_png)) if os.path.exists(gimp_png) else "fails"
    read = {k: v for k, v in got.items() if isinstance(v, np.ndarray)}
    loose = five_bit(info)
    groups = collections.defaultdict(list)
    for name, px in read.items():
        groups[key(px, loose)].append(name)
    top = max(groups.values(), key=len) if groups else []
    agreed = read[top[0]] if len(top) >= 2 and 2 * len(top) > len(read) else None
    widened = {}  # the rule each reader widens 5-bit channels by
    if loose:
        for name, px in read.items():
            n = narrow5(canonical(px)[..., :3])
            widened[name] = n[0] if n else "none of the rules"
        if agreed is not None and widened[top[0]] in WIDEN5:
            agreed = agreed.copy()
            c = narrow5(canonical(agreed)[..., :3])[1].astype(np.uint8)
            agreed[..., :3] = np.where(agreed[..., 3:] > 0, c << 3 | c >> 2, agreed[..., :3])
    notes = {}  # without an agreed picture, how each differs from the largest group
    for name, v in got.items():
        if not isinstance(v, np.ndarray):
            notes[name] = v
        elif name not in top:
            notes[name] = how_differs(v, read[top[0]])
    g = glimmer(exe, str(path))
    if not isinstance(g, np.ndarray):
        verdict = g
    elif agreed is None:
        alike = groups.get(key(g, loose))
        verdict = "no agreed picture; reads as " + (",".join(alike) if alike else "none of them")
    else:
        same = key(g, loose) == key(agreed, loose)
        verdict = "matches" if same else how_differs(g, agreed)
        ext = info.get("ext_alpha")
        if not same and ext is not None and ext != 3 and \
                key(g, loose) == key(by_extension(agreed, ext), loose):
            verdict = "matches"
            notes["glimmer-pcx"] = f"follows the extension area's alpha type {ext}, which the others ignore"
    if loose and isinstance(g, np.ndarray):
        n = narrow5(canonical(g)[..., :3])
        widened["glimmer-pcx"] = n[0] if n else "none of the rules"
    wrong = (agreed is not None and verdict != "matches" and isinstance(g, np.ndarray)) or \
            (not isinstance(g, np.ndarray) and agreed is not None and 2 * len(read) > len(got))
    return dict(path=str(path), info=info, agreed=agreed, top=top, notes=notes, widened=widened,
                all_agree=len(top) == len(got), glimmer=verdict,
                glimmer_read=isinstance(g, np.ndarray), wrong=wrong)


def tally(c, by_reader, r):
    c["files"] += 1
    c["all agree"] += r["all_agree"]
    c["no agreed"] += r["agreed"] is None
    c["glimmer matches"] += r["glimmer"] == "matches"
    c["glimmer differs"] += r["glimmer_read"] and r["agreed"] is not None and r["glimmer"] != "matches"
    c["glimmer fails"] += not r["glimmer_read"]
    for name, note in r["notes"].items():
        if r["agreed"] is not None or note.startswith(("fails", "crashed")):
            by_reader[name][note.split(":")[0]] += 1


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("glimmer")
    ap.add_argument("dirs", nargs="+")
    ap.add_argument("--each", action="store_true")
    ap.add_argument("--gimp", action="store_true")
    ap.add_argument("--agreed")
    ap.add_argument("-j", type=int, default=1)
    args = ap.parse_args()
    exe = os.path.abspath(args.glimmer)
    files = [(d, p) for d in args.dirs for p in sorted(Path(d).rglob("*.tga"))]
    rows = collections.OrderedDict((d, collections.Counter()) for d in args.dirs)
    by_reader = collections.defaultdict(collections.Counter)
    wrong = []
    with tempfile.TemporaryDirectory() as tmp, multiprocessing.Pool(args.j) as pool:
        if args.gimp:
            gimp_batch([p.resolve() for _, p in files], tmp)
        jobs = [(p, exe, None if not args.gimp else os.path.join(tmp, f"{n}.png"))
                for n, (_, p) in enumerate(files)]
        results = pool.imap(check, jobs) if args.j > 1 else map(check, jobs)
        for n, ((d, _), r) in enumerate(zip(files, results), 1):
            if sys.stderr.isatty():
                print(f"\r{n}/{len(files)}", end="", file=sys.stderr, flush=True)
            tally(rows[d], by_reader, r)
            if r["wrong"]:
                wrong.append({k: r[k] for k in ("path", "glimmer")})
            if args.each:
                top = ",".join(r["top"]) or "none"
                readers = "; ".join([top + " agree" if r["agreed"] is not None else f"no agreed picture, most alike: {top}"] +
                                    [f"{k}: {v}" for k, v in r["notes"].items()])
                print(f"{r['path']}: {info_text(r['info'])}\n    {readers} | glimmer-pcx: {r['glimmer']}", flush=True)
                if r["widened"]:
                    print("    5-bit channels widened as: " + "; ".join(f"{k} {v}" for k, v in r["widened"].items()))
            if args.agreed and r["agreed"] is not None:
                os.makedirs(args.agreed, exist_ok=True)
                Image.fromarray(r["agreed"], "RGBA").save(os.path.join(args.agreed, Path(r["path"]).stem + ".png"))
    if sys.stderr.isatty():
        print(file=sys.stderr)
    cols = ["files", "all agree", "no agreed", "glimmer matches", "glimmer differs", "glimmer fails"]
    total = sum(rows.values(), collections.Counter())
    width = max(len(d) for d in list(rows) + ["all"])
    print(f"{'':{width}}  " + "  ".join(cols))
    for name, c in list(rows.items()) + ([("all", total)] if len(rows) > 1 else []):
        print(f"{name:{width}}  " + "  ".join(f"{c[k]:>{len(k)}}" for k in cols))
    if by_reader:
        print("\nreaders that differ from the agreed picture or fail (files):")
        for name in sorted(by_reader):
            print(f"  {name:10} " + ", ".join(f"{k} {n}" for k, n in by_reader[name].most_common()))
    if wrong:
        print(f"\nglimmer-pcx is wrong on {len(wrong)} files" + (":" if not args.each else ""))
        if not args.each:
            for r in wrong[:10]:
                print(f"  {r['path']}: {r['glimmer']}")
            if len(wrong) > 10:
                print(f"  ... {len(wrong) - 10} more (--each lists every file)")
    return 1 if wrong else 0


if __name__ == "__main__":
    sys.exit(main())
