#!/usr/bin/python3
"""The processes that decode files nobody chose, seen from outside as a user's tools would see
them: the GdkPixbuf module's (through the real GdkPixbuf library, in this process) and
`glimmer-pcx thumbnail`'s. During a slow load the process that parses the file is not the host
and /proc shows it confined; killed, it costs the host a GError and nothing else; past its
memory limit it ends in a GError; a decoder that is missing or that others may change is not
run. Usage: decoding_process_test.py LOADERS_CACHE GLIMMER_PCX"""
import os
import pathlib
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

cache, tool = sys.argv[1:3]
os.environ["GDK_PIXBUF_MODULE_FILE"] = cache
tmp = pathlib.Path(tempfile.mkdtemp())
sanitized = "asan" in os.environ.get("LD_PRELOAD", "")

import gi  # noqa: E402  (the environment above must be set first)

gi.require_version("GdkPixbuf", "2.0")
from gi.repository import GdkPixbuf, GLib  # noqa: E402

failures = []


def check(name, ok, detail=""):
    if not ok:
        failures.append(f"{name}: {detail}")


def pcx(path, w, h, bits, planes, line, fill):
    """A picture of w x h in runs of `fill`: a few megabytes however large it is."""
    header = bytearray(128)
    header[0:4] = bytes([10, 5, 1, bits])
    header[8:12] = (w - 1).to_bytes(2, "little") + (h - 1).to_bytes(2, "little")
    header[16:22] = bytes([0, 0, 0, 255, 255, 255])
    header[65], header[66:68] = planes, line.to_bytes(2, "little")
    plane = bytes([0xC0 | 63, fill]) * (line // 63) + bytes([0xC0 | (line % 63), fill])
    path.write_bytes(bytes(header) + plane * planes * h)
    return str(path)


slow = pcx(tmp / "mono.pcx", 32767, 32767, 1, 1, 4096, 0x55)  # 1 G pixels, 4 MB
rgba = pcx(tmp / "rgba.pcx", 8000, 4000, 8, 4, 8000, 200)
small = pcx(tmp / "small.pcx", 40, 30, 8, 3, 40, 7)


def confined_child(parent, wanted, until=lambda: False):
    """The first living child of `parent` whose command line `wanted` accepts, once /proc shows
    it under its filter: (pid, status, limits); None after 20 s or once `until` holds."""
    deadline = time.monotonic() + 20
    while time.monotonic() < deadline and not until():
        for task in os.listdir(f"/proc/{parent}/task"):
            try:
                kids = pathlib.Path(f"/proc/{parent}/task/{task}/children").read_text().split()
            except OSError:
                continue
            for kid in kids:
                try:
                    argv = pathlib.Path(f"/proc/{kid}/cmdline").read_bytes().split(b"\0")
                    status = pathlib.Path(f"/proc/{kid}/status").read_text()
                    limits = pathlib.Path(f"/proc/{kid}/limits").read_text()
                except OSError:
                    continue
                if wanted(argv) and "Seccomp:\t2" in status and "State:\tZ" not in status:
                    return int(kid), status, limits
        time.sleep(0.001)
    return None


def check_confined(name, seen):
    """What /proc showed: the filter, no_new_privs and, but with the sanitizers, a memory limit."""
    if not seen:
        check(name, False, "no confined process was seen")
        return
    _, status, limits = seen
    address = next(line for line in limits.splitlines() if line.startswith("Max address space"))
    check(f"{name}: no_new_privs", "NoNewPrivs:\t1" in status, status)
    check(f"{name}: address-space limit", sanitized or "unlimited" not in address, address)


def kill_when_seen(parent, wanted, seen, done):
    """Kills each confined child as it is seen until `done` is set: the load's judging of its
    start, then its decoding."""
    while not done.is_set():
        found = confined_child(parent, wanted, done.is_set)
        if found:
            seen.append(found)
            os.kill(found[0], signal.SIGKILL)


def own_state():
    """How many descriptors and children this process has."""
    fds = len(os.listdir("/proc/self/fd"))
    kids = "".join(pathlib.Path(f"/proc/self/task/{t}/children").read_text()
                   for t in os.listdir("/proc/self/task"))
    return fds, len(kids.split())


# The module's decoder, killed while it shrinks a 1 G pixel picture for a thumbnail (a file too
# large to share a decoder: one of its own). One waits for the next file once a small one was
# loaded.
GdkPixbuf.Pixbuf.new_from_file(small)
before = own_state()
seen, done = [], threading.Event()
watcher = threading.Thread(target=kill_when_seen,
                           args=(os.getpid(), lambda argv: argv[0] == b"glimmer-pcx-decoder",
                                 seen, done))
watcher.start()
try:
    GdkPixbuf.Pixbuf.new_from_file_at_size(slow, 256, 256)
    told = None
except GLib.Error as e:
    told = e.message
done.set()
watcher.join()
check_confined("the module's decoder", seen[0] if seen else None)
check("the module's decoder killed", told and "the decoder was stopped: it was killed by signal 9"
      in told, repr(told))
after = GdkPixbuf.Pixbuf.new_from_file(small)
check("the host goes on", (after.get_width(), after.get_height()) == (40, 30))
check("nothing left behind", own_state() == before, f"{before} then {own_state()}")

def failure_elsewhere(path, **env):
    """Loads `path` in a program of its own, with `env` added to its environment: what it
    prints is the load's error message, if any."""
    return subprocess.run([sys.executable, "-c", """if True:
        import gi, sys
        gi.require_version("GdkPixbuf", "2.0")
        from gi.repository import GdkPixbuf, GLib
        try:
            GdkPixbuf.Pixbuf.new_from_file(sys.argv[1])
        except GLib.Error as e:
            print(e.message)""", path], capture_output=True, text=True,
        env=dict(os.environ, **env))


# Past its memory limit (made tight by the environment) a decode ends in a GError.
if not sanitized:
    run = failure_elsewhere(rgba, GLIMMER_DECODER_MARGIN_MIB="0")
    check("the memory limit", "the decoder was stopped: it passed its memory limit of" in run.stdout,
          run.stdout + run.stderr)

# A program that ignores SIGCHLD has its children reaped for it: it still gets its pictures.
run = subprocess.run([sys.executable, "-c", """if True:
    import gi, signal, sys
    signal.signal(signal.SIGCHLD, signal.SIG_IGN)
    gi.require_version("GdkPixbuf", "2.0")
    from gi.repository import GdkPixbuf
    print(GdkPixbuf.Pixbuf.new_from_file(sys.argv[1]).get_width())""", small],
    capture_output=True, text=True)
check("a program that ignores SIGCHLD", run.stdout.strip() == "40", run.stdout + run.stderr)

# Killed, or stopped past the wall-clock limit (made short by the environment), while the program
# decides the size (a program that does not ignore SIGPIPE, as C programs do not): the decision
# finds no reader or no one reading, and the program still only gets a GError, in time.
for how, env, said in ((signal.SIGKILL, {}, "killed by signal 9"),
                       (signal.SIGSTOP, {"GLIMMER_DECODER_WALL_SECONDS": "1"},
                        "the decoder was stopped: it took longer than 1 s")):
    run = subprocess.run([sys.executable, "-c", """if True:
        import gi, os, pathlib, signal, sys
        signal.signal(signal.SIGPIPE, signal.SIG_DFL)
        gi.require_version("GdkPixbuf", "2.0")
        from gi.repository import GdkPixbuf, GLib
        how = int(sys.argv[2])
        def stop_decoder(loader, w, h):
            for t in os.listdir("/proc/self/task"):
                for kid in pathlib.Path(f"/proc/self/task/{t}/children").read_text().split():
                    if "Seccomp:\t2" in pathlib.Path(f"/proc/{kid}/status").read_text():
                        os.kill(int(kid), how)
                        os.waitid(os.P_PID, int(kid),
                                  (os.WEXITED if how == signal.SIGKILL else os.WSTOPPED) | os.WNOWAIT)
        loader = GdkPixbuf.PixbufLoader.new_with_type("pcx")
        loader.connect("size-prepared", stop_decoder)
        loader.write(pathlib.Path(sys.argv[1]).read_bytes())
        try:
            loader.close()
        except GLib.Error as e:
            print(e.message)""", small, str(int(how))], capture_output=True, text=True,
        env=dict(os.environ, **env), timeout=20)
    check(f"{how.name} while the size is asked", run.returncode == 0 and said in run.stdout,
          f"{run.returncode} {run.stdout!r} {run.stderr!r}")

# A decoder that waits for the next file, killed meanwhile: the next load starts another.
waiting = confined_child(os.getpid(), lambda argv: argv[0] == b"glimmer-pcx-decoder")
check("a decoder waits for the next file", waiting is not None)
if waiting:
    os.kill(waiting[0], signal.SIGKILL)
    os.waitid(os.P_PID, waiting[0], os.WEXITED | os.WNOWAIT)
    after = GdkPixbuf.Pixbuf.new_from_file(small)
    check("a decoder killed while it waits", (after.get_width(), after.get_height()) == (40, 30))
    check("nothing left behind it", own_state() == before, f"{before} then {own_state()}")

# glimmer-pcx thumbnail's decoding child, killed: no thumbnail, nothing beside it.
out = tmp / "thumbs"
out.mkdir()
thumb = subprocess.Popen([tool, "thumbnail", slow, str(out / "t.png")], stderr=subprocess.PIPE,
                         text=True)
seen = confined_child(thumb.pid, lambda argv: argv[1:2] == [b"thumbnail"])
if seen:
    os.kill(seen[0], signal.SIGKILL)
_, said = thumb.communicate()
check_confined("glimmer-pcx thumbnail", seen)
check("glimmer-pcx thumbnail killed", thumb.returncode == 2 and not any(out.iterdir()) and
      "the decoder was stopped: it was killed by signal 9" in said, f"{thumb.returncode} {said!r}")

# A decoder that is missing, or that someone else may change, is not run: the module is
# copied with its decoder into a folder of its own and loaded from there.
module = next(line.strip('"') for line in pathlib.Path(cache).read_text().splitlines()
              if line.endswith('/libpixbufloader-pcx.so"'))
copy = tmp / "loaders"
copy.mkdir()
shutil.copy(module, copy)
query = shutil.which("gdk-pixbuf-query-loaders") or next(
    pathlib.Path("/usr/lib").glob("*/gdk-pixbuf-2.0/gdk-pixbuf-query-loaders"))
copied = subprocess.run([str(query), str(copy / "libpixbufloader-pcx.so")], capture_output=True,
                        text=True, check=True).stdout
(tmp / "loaders.cache").write_text(copied)
decoder = pathlib.Path(module).with_name("glimmer-pcx-decoder")
for case, prepare, said in (
        ("missing", lambda: None, "the decoder could not be started"),
        ("writable by others", lambda: (shutil.copy(decoder, copy), os.chmod(copy / decoder.name, 0o777)),
         "may be changed by others")):
    prepare()
    run = failure_elsewhere(small, GDK_PIXBUF_MODULE_FILE=str(tmp / "loaders.cache"))
    check(f"a decoder {case}", said in run.stdout, run.stdout + run.stderr)

shutil.rmtree(tmp)
print(f"{len(failures)} failures")
print("\n".join(failures))
sys.exit(1 if failures else 0)
