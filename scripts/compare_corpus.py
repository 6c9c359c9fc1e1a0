#!/usr/bin/python3
"""Compares glimmer-pcx's pixels with Pillow's on every PCX file below the given folders.

  compare_corpus.py GLIMMER_PCX DIR...            compare; exit 1 on any difference
  compare_corpus.py --golden GLIMMER_PCX DIR...   also write NAME.png from Pillow beside
                                                  each file that both decode

Files Pillow cannot read, or that glimmer-pcx refuses, are listed and not compared.
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


def reference(path):
    try:
        with Image.open(path) as im:
            return im.convert("RGB")
    except Exception as e:  # Pillow refuses it: nothing to compare against
        return str(e)


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
            ref = reference(path)
            if run.returncode != 0 or isinstance(ref, str):
                why = run.stderr.strip() if run.returncode else "Pillow: " + ref
                print(f"skip    {path}: {why}")
                continue
            with Image.open(out) as im:
                ours = im.convert("RGB")
            compared += 1
            if ours.size != ref.size or ours.tobytes() != ref.tobytes():
                differ += 1
                print(f"DIFFER  {path}: ours {ours.size}, Pillow {ref.size}")
            else:
                print(f"same    {path}")
                if golden:
                    ref.save(os.path.splitext(path)[0] + ".png", optimize=True)
    print(f"{compared} compared, {differ} differ")
    return 1 if differ or compared == 0 else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
