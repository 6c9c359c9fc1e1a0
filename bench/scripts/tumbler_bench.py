#!/usr/bin/python3
"""A folder of 500 small PCX textures thumbnailed by tumbler (Thunar's thumbnail service),
asked over a private session bus as Thunar asks it, through the GdkPixbuf module as installed
(decoding in its confined process) and through the same module decoding in tumblerd's own
process (build/pixbuf/direct, never installed), in one run: the two take turns, a fresh
tumblerd and an empty thumbnail cache each time, and the median of the rounds is printed.
The textures are the first 500 pictures of Debian's supertuxkart-data (installed when missing)
no larger than 512 x 512, made 8-bit PCX by glimmer-pcx.

Usage: tumbler_bench.py GLIMMER_PCX LOADER_CACHE [ROUNDS]   LOADER_CACHE: build/pixbuf/loaders.cache
"""
import glob
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

from PIL import Image

import make_real_set  # beside this script: the game data, installed when missing

COUNT = 500
PLUGINS = ("JPEG", "Raw", "Pixbuf", "Cover", "Ffmpeg", "Gst", "Font", "Poppler", "Odf", "Epub",
           "Desktop")


def textures(tool, out):
    made = []
    pictures = [p for folder in make_real_set.FOLDERS
                for p in glob.glob(f"{make_real_set.DATA}/{folder}/**/*", recursive=True)
                if p.lower().endswith((".png", ".jpg"))]
    for path in sorted(pictures):
        with Image.open(path) as im:
            if max(im.size) > 512:
                continue
        pcx = os.path.join(out, f"{len(made):03}.pcx")
        if subprocess.run([tool, "convert", path, pcx], capture_output=True).returncode == 0:
            made.append(pcx)
        if len(made) == COUNT:
            return made
    raise SystemExit(f"supertuxkart-data has fewer than {COUNT} small textures")


def round_with(cache, files, work):
    """Seconds from asking to Finished, through a fresh tumblerd that uses `cache`."""
    import gi
    gi.require_version("Gio", "2.0")
    from gi.repository import GLib, Gio

    thumbs = os.path.join(work, "thumbs")
    shutil.rmtree(thumbs, ignore_errors=True)
    env = dict(os.environ, GDK_PIXBUF_MODULE_FILE=cache, XDG_CONFIG_DIRS=f"{work}/xdg",
               XDG_DATA_DIRS=f"{work}/no-data", XDG_CACHE_HOME=thumbs)
    tumblerd = subprocess.Popen([glob.glob("/usr/lib/*/tumbler-1/tumblerd")[0]], env=env,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    name = "org.freedesktop.thumbnails.Thumbnailer1"
    bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    deadline = time.monotonic() + 30
    while not bus.call_sync("org.freedesktop.DBus", "/org/freedesktop/DBus",
                            "org.freedesktop.DBus", "NameHasOwner", GLib.Variant("(s)", (name,)),
                            None, Gio.DBusCallFlags.NONE, -1, None)[0]:
        if time.monotonic() > deadline:
            raise SystemExit("tumblerd did not take its name")
        time.sleep(0.01)
    proxy = Gio.DBusProxy.new_sync(bus, Gio.DBusProxyFlags.DO_NOT_AUTO_START, None, name,
                                   "/org/freedesktop/thumbnails/Thumbnailer1", name, None)
    loop, state = GLib.MainLoop(), {}

    def on_signal(_proxy, _sender, signal, params):
        if signal == "Finished" and params[0] == state.get("handle"):
            state["end"] = time.perf_counter()
            loop.quit()

    proxy.connect("g-signal", on_signal)
    uris = [Gio.File.new_for_path(f).get_uri() for f in files]
    state["start"] = time.perf_counter()
    state["handle"] = proxy.call_sync(
        "Queue", GLib.Variant("(asasssu)", (uris, ["image/vnd.zbrush.pcx"] * len(uris), "normal",
                                            "default", 0)), Gio.DBusCallFlags.NONE, -1, None)[0]
    GLib.timeout_add(300_000, loop.quit)
    loop.run()
    made = len(glob.glob(f"{thumbs}/thumbnails/normal/*.png"))
    tumblerd.terminate()
    tumblerd.wait()
    if "end" not in state or made != len(files):
        raise SystemExit(f"tumbler made {made} of {len(files)} thumbnails")
    return state["end"] - state["start"]


def main():
    tool, cache = sys.argv[1], os.path.abspath(sys.argv[2])
    rounds = int(sys.argv[3]) if len(sys.argv) > 3 else 5
    if "DBUS_SESSION_BUS_ADDRESS" not in os.environ or os.environ.get("GLIMMER_BENCH_BUS") != "1":
        # A private session bus, ended with the run.
        os.execvp("dbus-run-session", ["dbus-run-session", "--", "env", "GLIMMER_BENCH_BUS=1",
                                       sys.executable, *sys.argv])
    direct = os.path.join(os.path.dirname(cache), "direct", "loaders.cache")
    make_real_set.install()
    with tempfile.TemporaryDirectory() as work:
        os.makedirs(f"{work}/xdg/tumbler")
        os.makedirs(f"{work}/no-data")
        os.makedirs(f"{work}/textures")
        # Its GdkPixbuf plugin alone: the thumbnails come from the module only.
        with open(f"{work}/xdg/tumbler/tumbler.rc", "w") as rc:
            for plugin in PLUGINS:
                rc.write(f"[{plugin}Thumbnailer]\nDisabled={'false' if plugin == 'Pixbuf' else 'true'}"
                         "\nPriority=1\nLocations=\nExcludes=\nMaxFileSize=0\n\n")
        files = textures(tool, f"{work}/textures")
        times = {"in-process": [], "confined": []}
        for _ in range(rounds):
            times["in-process"].append(round_with(direct, files, work))
            times["confined"].append(round_with(cache, files, work))
        a, b = statistics.median(times["in-process"]), statistics.median(times["confined"])
        size = sum(os.path.getsize(f) for f in files) // 1024
        print("| 500 PCX textures (supertuxkart-data, at most 512 x 512) | in-process | confined |"
              " confined / in-process |")
        print("|---|---:|---:|---:|")
        print(f"| {size} KiB, median of {rounds} rounds | {a:.2f} s | {b:.2f} s | {b / a:.2f} |")


if __name__ == "__main__":
    main()
