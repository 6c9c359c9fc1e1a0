#!/usr/bin/python3
"""Compares glimmer-pcx's pixels with another reader's on every PCX file below the given
folders: the viewer's kinds with Pillow's, 8-bit pictures with alpha with ImageMagick's and the
1-, 2- and 4-bit kinds with netpbm's, whose colour rules are Glimmer's where the header holds
a palette.

  compare_corpus.py GLIMMER_PCX DIR...            compare; exit 1 on any difference
  compare_corpus.py --golden GLIMMER_PCX DIR...   also write NAME.png from the reference
                                                  beside each file that both decode

Files the reference cannot read, those without a palette in the header (the rules differ:
docs/decoding.md, "Reading every kind"), and those glimmer-pcx refuses are listed and not compared.
"""
import os
import subprocess
import sys
import tempfile

from PIL import Image


def pcx_files(dirs):
    for d in dirs:
        for root, _, names in os.walk(d):
            for n in sorted(names):
                if n.lower().endswith(".pcx"):
                    yield os.path.join(root, n)


def header(path):
    with open(path, "rb") as f:
        return f.read(128).ljust(128, b"\0")


def external(cmd, tmp):
    """The picture a command line writes to tmp/ref.png, or why there is none."""
    out = os.path.join(tmp, "ref.png")
    run = subprocess.run(cmd + [out], capture_output=True)
    if run.returncode != 0:
        return f"{cmd[0]} fails"
    with Image.open(out) as im:
        return im.convert("RGBA")


def reference(path, tmp):
    h = header(path)
    bits, planes = h[3], h[65]
    if bits == 8 and planes == 4:
        return external(["/usr/bin/convert", path, "-strip"], tmp)
    if bits in (1, 2, 4) and planes in (1, 2, 3, 4):
        if bits * planes > 1 and (h[1] == 3 or not any(h[16:64])):
            return "no palette in the header"
        return external(["sh", "-c", 'pcxtoppm "$0" | /usr/bin/convert ppm:- "$1"', path], tmp)
    try:
        with Image.open(path) as im:
            return im.convert("RGBA")
    except Exception as e:  # Pillow refuses it: nothing to compare against
        return "Pillow: " + str(e)


def main(argv):
    golden = argv[:1] == ["--golden"]
    if golden:
        argv = argv[1:]
    tool, dirs = argv[0], argv[1:]
    compared = differ = 0
    with tempfile.TemporaryDirectory() as tmp:
        out = os.path.join(tmp, "out.png")
        for path in pcx_files(dirs):
            run = subprocess.run([tool, "convert", path, out], capture_output=True, text=True)
            ref = reference(path, tmp)
            if run.returncode != 0 or isinstance(ref, str):
                why = run.stderr.strip() if run.returncode else ref
                print(f"skip    {path}: {why}")
                continue
            with Image.open(out) as im:
                ours = im.convert("RGBA")
            compared += 1
            if ours.size != ref.size or ours.tobytes() != ref.tobytes():
                differ += 1
                print(f"DIFFER  {path}: ours {ours.size}, the reference's {ref.size}")
            else:
                print(f"same    {path}")
                if golden:
                    ref.save(os.path.splitext(path)[0] + ".png", optimize=True)
    print(f"{compared} compared, {differ} differ")
    return 1 if differ or compared == 0 else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
