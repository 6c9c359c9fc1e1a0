"""A pointer device of the Wayland compositor's own (wlr-virtual-pointer), as remote-desktop
tools add one: its clicks reach the program as any mouse's do. A headless sway has no input
device at all. Speaks the Wayland wire protocol directly; the calls are few.
Above sway.py (where the output lies) and poll.py; below atspi.py."""

import os
import socket
import struct
import time

import sway
from poll import wait

BTN_LEFT = 0x110


class Connection:
    def __init__(self):
        path = os.path.join(os.environ["XDG_RUNTIME_DIR"], os.environ["WAYLAND_DISPLAY"])
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.sock.connect(path)
        self.next_id = 2
        self.buffer = b""

    def new_id(self):
        self.next_id += 1
        return self.next_id - 1

    def send(self, obj, opcode, payload=b""):
        self.sock.sendall(struct.pack("<II", obj, ((8 + len(payload)) << 16) | opcode) + payload)

    def events(self):
        """Reads the next event: (object, opcode, payload)."""
        while True:
            if len(self.buffer) >= 8:
                obj, word = struct.unpack_from("<II", self.buffer)
                size = word >> 16
                if len(self.buffer) >= size:
                    event = (obj, word & 0xFFFF, self.buffer[8:size])
                    self.buffer = self.buffer[size:]
                    return event
            chunk = self.sock.recv(65536)
            if not chunk:
                raise ConnectionError("the compositor closed the connection")
            self.buffer += chunk

    def roundtrip(self, on_event=lambda obj, opcode, payload: None):
        callback = self.new_id()
        self.send(1, 0, struct.pack("<I", callback))  # wl_display.sync
        while True:
            obj, opcode, payload = self.events()
            if obj == callback:
                return
            if obj == 1 and opcode == 0:  # wl_display.error
                raise RuntimeError(f"protocol error: {payload!r}")
            on_event(obj, opcode, payload)


def _string(text):
    data = text.encode() + b"\0"
    return struct.pack("<I", len(data)) + data + b"\0" * (-len(data) % 4)


class Pointer:
    """A pointer device of the compositor's own, for as long as the object lives."""

    def __init__(self):
        self.conn = conn = Connection()
        registry = conn.new_id()
        conn.send(1, 1, struct.pack("<I", registry))  # wl_display.get_registry
        globals_ = {}

        def on_global(obj, opcode, payload):
            if obj == registry and opcode == 0:
                name, length = struct.unpack_from("<II", payload)
                interface = payload[8:8 + length - 1].decode()
                version, = struct.unpack_from("<I", payload, 8 + length + (-length % 4))
                globals_[interface] = (name, version)
        conn.roundtrip(on_global)
        want = "zwlr_virtual_pointer_manager_v1"
        if want not in globals_:
            raise RuntimeError(f"the compositor offers no {want}")
        name, _ = globals_[want]
        manager = conn.new_id()
        conn.send(registry, 0, struct.pack("<I", name) + _string(want) +
                  struct.pack("<II", 1, manager))  # wl_registry.bind
        self.id = conn.new_id()
        conn.send(manager, 0, struct.pack("<II", 0, self.id))  # create_virtual_pointer
        self.extent = _output_size()

    def _frame(self):
        self.conn.send(self.id, 4)
        self.conn.roundtrip()

    def move(self, x, y):
        ms = int(time.monotonic() * 1000) & 0xFFFFFFFF
        self.conn.send(self.id, 1, struct.pack("<IIIII", ms, x, y, *self.extent))  # absolute
        self._frame()

    def click(self, button=BTN_LEFT):
        for state in (1, 0):
            ms = int(time.monotonic() * 1000) & 0xFFFFFFFF
            self.conn.send(self.id, 2, struct.pack("<III", ms, button, state))
            self._frame()

    def close(self):
        self.conn.send(self.id, 8)  # destroy
        self.conn.roundtrip()
        self.conn.sock.close()


def _output_size():
    box = sway.output()
    return box["x"] + box["width"], box["y"] + box["height"]


def pointer_click(x, y, arrived=lambda: True, click=True):
    """A real click of a pointer at (x, y) on screen, through the compositor, once
    arrived() says what lies there has seen the pointer come (a menu item lit up)."""
    pointer = Pointer()
    moves = [0]

    # A hand never lands in one jump: a Wayland client may take the first motion over its
    # surface as the pointer entering only, so the pointer keeps moving by a pixel.
    def there():
        pointer.move(x + moves[0] % 2, y)
        moves[0] += 1
        return arrived()
    try:
        wait(there, 10, f"the pointer arriving at {x}, {y}")
        if click:
            pointer.click()
    finally:
        pointer.close()


def pointer_move(x, y, arrived=lambda: True):
    """The pointer moved to (x, y), as pointer_click without the click."""
    pointer_click(x, y, arrived, click=False)
