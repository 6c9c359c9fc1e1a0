"""Starts /usr/bin/glimmer with a sample on the X display given, and waits (20 s at most) until
a screenshot holds the sample's pixels (its top-left 64 x 64: with no window manager the window
may be smaller than the picture); the program is then ended."""
import subprocess
import sys
import time

from PIL import Image

work = sys.argv[1]
want = Image.open(f"{work}/want.png").convert("RGB").crop((0, 0, 64, 64))
rows = [bytes(want.crop((0, y, want.width, y + 1)).tobytes()) for y in range(want.height)]
app = subprocess.Popen(["/usr/bin/glimmer", "/usr/lib/glimmer/DUSK.PCX"])


def shown():
    shot = f"{work}/screen.ppm"
    xwd = subprocess.run(["xwd", "-root", "-silent"], stdout=subprocess.PIPE, check=True).stdout
    with open(shot, "wb") as out:
        subprocess.run(["xwdtopnm"], input=xwd, stdout=out, stderr=subprocess.DEVNULL, check=True)
    screen = Image.open(shot).convert("RGB")
    data, width = screen.tobytes(), screen.width * 3
    first = data.find(rows[0])
    while first >= 0:
        y, x = divmod(first, width)
        if x % 3 == 0 and all(data[(y + i) * width + x:(y + i) * width + x + len(r)] == r
                              for i, r in enumerate(rows)):
            return True
        first = data.find(rows[0], first + 1)
    return False


try:
    deadline = time.monotonic() + 20
    while not shown():
        if app.poll() is not None or time.monotonic() > deadline:
            sys.exit(f"the picture was not seen on the screen (glimmer: {app.poll()})")
        time.sleep(0.2)
    print("viewer: the sample is on the screen")
finally:
    app.terminate()
    app.wait()
