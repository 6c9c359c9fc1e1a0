"""Starts /usr/bin/glimmer with a sample on the X display given, and waits (20 s at most) until
a screenshot holds the sample's pixels (its top-left 64 x 64: with no window manager the window
may be smaller than the picture); the program is then ended."""
import os
import subprocess
import sys

from PIL import Image

# The end-to-end runs' screen search, from the source tree autopkgtest runs in.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../tests/e2e/lib"))
import desktop  # noqa: E402

work = sys.argv[1]
want = Image.open(f"{work}/want.png").convert("RGB").crop((0, 0, 64, 64))
app = subprocess.Popen(["/usr/bin/glimmer", "/usr/lib/glimmer/DUSK.PCX"])
try:
    at, _ = desktop.seen(want, 20)
    if at is None:
        sys.exit(f"the picture was not seen on the screen (glimmer: {app.poll()})")
    print("viewer: the sample is on the screen")
finally:
    app.terminate()
    app.wait()
