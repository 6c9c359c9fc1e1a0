"""Checks of what other programs of the desktop make of a picture. Imports no other helper.

  desktop.py find WANT.png SECONDS SHOT.png
      polls the X screen until it shows WANT pixel for pixel (anywhere: it is searched for, not
      looked for at a place); the last screen is kept in SHOT.png either way
  desktop.py gallery SECONDS SHOT.png WANT.png...
      the pictures a viewer with the X focus shows one after another: each must come on the
      screen pixel for pixel within SECONDS, then a press of Right (XTEST, through xdotool)
      asks for the next; the screen where one was missing is kept in SHOT.png
  desktop.py thumbnail SECONDS WANT.png FILE MIME [WANT.png FILE MIME]...
      asks the thumbnail service on the session bus for "normal" thumbnails of the FILEs, as
      Thunar asks it, and checks each PNG it writes against the picture WANT.png scaled
"""
import hashlib
import os
import re
import subprocess
import sys
import time

from PIL import Image, ImageChops, ImageGrab, ImageStat


def locate(screen, want):
    """The top left corner where the RGB image `want` lies in `screen`, or None."""
    sw, w, h = screen.width * 3, want.width * 3, want.height
    shot, pic = screen.tobytes(), want.tobytes()
    rows = [pic[y * w:(y + 1) * w] for y in range(h)]
    for top in range(screen.height - h + 1):
        line = shot[top * sw:(top + 1) * sw]
        at = line.find(rows[0])
        while at >= 0:
            if at % 3 == 0 and all(
                    shot[(top + y) * sw + at:(top + y) * sw + at + w] == rows[y]
                    for y in range(1, h)):
                return at // 3, top
            at = line.find(rows[0], at + 1)
    return None


def seen(want, seconds):
    """Where `want` came on the screen within `seconds` (None if nowhere), and the last screen."""
    end = time.monotonic() + float(seconds)
    while True:
        screen = ImageGrab.grab(xdisplay=None).convert("RGB")
        at = locate(screen, want)
        if at is not None or time.monotonic() > end:
            return at, screen
        time.sleep(0.2)


def find(want_path, seconds, shot_path):
    want = Image.open(want_path).convert("RGB")
    at, screen = seen(want, seconds)
    screen.save(shot_path)
    if at is None:
        sys.exit(f"the picture ({want.width} x {want.height}) is nowhere on the screen "
                 f"after {seconds} s (GLIMMER_SHOTS=DIR keeps the screen)")
    print(f"the picture is on the screen at {at[0]},{at[1]}, pixel for pixel")


def gallery(seconds, shot_path, wants):
    for i, path in enumerate(wants):
        at, screen = seen(Image.open(path).convert("RGB"), seconds)
        if at is None:
            screen.save(shot_path)
            sys.exit(f"{path} ({i + 1} of {len(wants)}) is nowhere on the screen after {seconds} s")
        if i + 1 < len(wants):
            subprocess.run(["xdotool", "key", "Right"], check=True)
    print(f"{len(wants)} pictures on the screen, one after another, pixel for pixel")


def scaled_alike(got, want):
    """None when the thumbnail `got` is `want` scaled to the normal size, else the reason."""
    side = max(want.size)
    size = tuple(max(1, round(n * 128 / side)) for n in want.size) if side > 128 else want.size
    if got.size != size:
        return f"{got.size[0]} x {got.size[1]}, wanted {size[0]} x {size[1]}"
    want = want.resize(size, Image.BILINEAR, reducing_gap=2.0)
    # Scalers part on dithered detail, not on a quarter of the size: a wrong colour or a
    # shifted picture still shows there.
    quarter = tuple(max(1, n // 4) for n in size)
    got, want = got.resize(quarter, Image.BOX), want.resize(quarter, Image.BOX)
    mean = sum(ImageStat.Stat(ImageChops.difference(got, want)).mean) / 3
    return None if mean < 3 else f"pixels differ from the scaled picture (mean {mean:.1f})"


def thumbnail(seconds, jobs):
    import gi
    gi.require_version("Gio", "2.0")
    from gi.repository import GLib, Gio

    name = "org.freedesktop.thumbnails.Thumbnailer1"
    bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    proxy = Gio.DBusProxy.new_sync(bus, Gio.DBusProxyFlags.DO_NOT_AUTO_START, None, name,
                                   "/org/freedesktop/thumbnails/Thumbnailer1", name, None)
    wants = {Gio.File.new_for_path(os.path.abspath(f)).get_uri(): (w, f, m)
             for w, f, m in jobs}
    ready, errors, state = set(), [], {}
    loop = GLib.MainLoop()

    def on_signal(_proxy, _sender, signal, params):
        if params[0] != state.get("handle"):
            return
        if signal == "Ready":
            ready.update(params[1])
        elif signal == "Error":
            errors.append(f"{', '.join(params[1])}: error {params[2]}: {params[3]}")
        elif signal == "Finished":
            state["finished"] = True
            loop.quit()

    proxy.connect("g-signal", on_signal)
    uris = list(wants)
    # As Thunar asks: the URIs, their MIME types, the flavour, the default scheduler.
    state["handle"] = proxy.call_sync(
        "Queue", GLib.Variant("(asasssu)", (uris, [wants[u][2] for u in uris], "normal",
                                            "default", 0)),
        Gio.DBusCallFlags.NONE, -1, None)[0]
    GLib.timeout_add(int(float(seconds) * 1000), loop.quit)
    loop.run()
    failures = list(errors)
    if not state.get("finished"):
        failures.append(f"no Finished signal within {seconds} s")
    cache = os.path.join(os.environ["XDG_CACHE_HOME"], "thumbnails", "normal")
    for uri, (want_path, path, mime) in wants.items():
        out = os.path.join(cache, hashlib.md5(uri.encode()).hexdigest() + ".png")
        if uri not in ready:
            failures.append(f"{path} ({mime}): no Ready signal")
            continue
        if not os.path.exists(out):
            failures.append(f"{path}: Ready, but no {out}")
            continue
        got = Image.open(out)
        if os.environ.get("GLIMMER_SHOTS"):
            got.save(os.path.join(os.environ["GLIMMER_SHOTS"],
                                  "tumbler-" + os.path.basename(path) + ".png"))
        if got.format != "PNG":
            failures.append(f"{out}: {got.format}, not PNG")
            continue
        # What file managers check before they trust a thumbnail.
        text = got.text if hasattr(got, "text") else {}
        mtime = text.get("Thumb::MTime", "")
        if text.get("Thumb::URI") != uri or not re.fullmatch(r"\d+(\.\d+)?", mtime) or \
                int(float(mtime)) != int(os.stat(path).st_mtime):
            failures.append(f"{out}: Thumb::URI {text.get('Thumb::URI')!r}, "
                            f"Thumb::MTime {text.get('Thumb::MTime')!r}")
        why = scaled_alike(got.convert("RGB"), Image.open(want_path).convert("RGB"))
        if why:
            failures.append(f"{path}: thumbnail {why}")
        else:
            print(f"{os.path.basename(path)} ({mime}): {got.width} x {got.height} PNG, "
                  f"the picture's pixels")
    if failures:
        sys.exit("\n".join(failures))


if __name__ == "__main__":
    if sys.argv[1] == "find":
        find(*sys.argv[2:5])
    elif sys.argv[1] == "gallery":
        gallery(sys.argv[2], sys.argv[3], sys.argv[4:])
    elif sys.argv[1] == "thumbnail":
        rest = sys.argv[3:]
        thumbnail(sys.argv[2], [tuple(rest[i:i + 3]) for i in range(0, len(rest), 3)])
    else:
        sys.exit(__doc__)
