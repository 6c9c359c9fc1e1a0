"""The test pictures and what each must decode to: (picture, golden PNG), every PCX kind of
tests/data/pcx and tests/data/kinds, and each DCX file there with its first page's PNG."""
import glob
import os


def pairs(root="tests/data"):
    found = []
    for picture in sorted(glob.glob(f"{root}/pcx/*.pcx") + glob.glob(f"{root}/kinds/*.pcx") +
                          glob.glob(f"{root}/kinds/*.dcx")):
        stem = os.path.splitext(picture)[0]
        golden = f"{stem}-1.png" if picture.endswith(".dcx") else f"{stem}.png"
        if os.path.exists(golden):
            found.append((picture, golden))
    assert len(found) > 30, f"only {len(found)} test pictures under {root}"
    return found
