#!/usr/bin/env python3
"""Small files that claim huge pictures, and files whose first byte misleads, for the memory
budget's test and measurement. Usage: make_bombs.py FOLDER"""
import struct
import sys
import zlib
from pathlib import Path


def pcx_header(bits, planes, width, height, bytes_per_line, manufacturer=10):
    head = bytearray(128)
    head[0:4] = bytes([manufacturer, 5, 1, bits])
    struct.pack_into("<hhhh", head, 4, 0, 0, width - 1, height - 1)
    head[16:22] = bytes([0, 0, 0, 255, 255, 255])  # the two colours of a 1-bit picture
    head[65] = planes
    struct.pack_into("<h", head, 66, bytes_per_line)
    return head


def runs(total, value):
    """`total` bytes of `value` as runs of 63, which may cross scan lines."""
    full, rest = divmod(total, 63)
    data = bytes([0xC0 | 63, value]) * full
    return data + (bytes([0xC0 | rest, value]) if rest else b"")


def pcx(bits, planes, width, height, value=0x55, palette=False):
    bpl = (width * bits + 7) // 8
    bpl += bpl & 1
    data = pcx_header(bits, planes, width, height, bpl) + runs(bpl * planes * height, value)
    return data + (b"\x0c" + bytes(range(256)) * 3 if palette else b"")


def png(width, height):
    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body +
                struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))
    rows = (b"\x00" + b"\x80\x40\x20" * width) * height
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))


def lzw_zeros(pixels, min_bits=2):
    """LZW codes for `pixels` zeros: each code the string before it and one more, until the
    table is full, then the longest string again and again."""
    clear = 1 << min_bits
    nxt, bits, length, out = clear + 2, min_bits + 1, 0, []
    buf = held = 0

    def put(code):
        nonlocal buf, held
        buf |= code << held
        held += bits
        while held >= 8:
            out.append(buf & 0xFF)
            buf >>= 8
            held -= 8

    put(0)
    length = done = 1
    while done < pixels:
        if nxt < 4096:
            put(nxt)
            length += 1
            nxt += 1
            if nxt == 1 << bits and bits < 12:
                bits += 1
        else:
            put(4095)
        done += length if nxt < 4096 else 4095 - clear - 2 + 2
    put(clear + 1)
    if held:
        out.append(buf & 0xFF)
    return bytes(out)


def gif(width, height):
    data = lzw_zeros(width * height)
    blocks = b"".join(bytes([len(data[i:i + 255])]) + data[i:i + 255] for i in range(0, len(data), 255))
    head = b"GIF89a" + struct.pack("<HHBBB", width, height, 0x81, 0, 0) + bytes(
        [0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255])
    return (head + b"\x2c" + struct.pack("<HHHHB", 0, 0, width, height, 0) + b"\x02" + blocks +
            b"\x00\x3b")


def tga_with_id():
    """A 4x4 true-colour TGA whose image ID is 10 bytes long: its first byte is 10, as a PCX
    file's is."""
    head = bytes([10, 0, 2]) + bytes(9) + struct.pack("<HHBB", 4, 4, 24, 0x20)
    footer = bytes(8) + b"TRUEVISION-XFILE.\x00"  # Qt's reader wants it
    return head + b"glimmer-id" + bytes([0x30, 0x60, 0x90]) * 16 + footer


def pcx_colours(side):
    """A true-colour picture whose every row is a colour of its own: `side` colours in runs."""
    bpl = side + (side & 1)
    rows = []
    for y in range(side):
        for value in (y % 256, y // 256 * 8, 128):
            rows.append(runs(bpl, value))
    return pcx_header(8, 3, side, side, bpl) + b"".join(rows)


def tga(width, height, data, descriptor=0):
    """A grey TGA picture of run-length packets, bottom row first unless `descriptor` says."""
    return bytes([0, 0, 11]) + bytes(9) + struct.pack("<HHBB", width, height, 8, descriptor) + data


def main():
    folder = Path(sys.argv[1])
    folder.mkdir(parents=True, exist_ok=True)
    files = {
        "mono-32767.pcx": pcx(1, 1, 32767, 32767),  # 4 MB, 1 G pixels
        # 1 MB, 268 M pixels of alternate colours, whose 8-bit rows no run shortens
        "mono-16384.pcx": pcx(1, 1, 16384, 16384),
        "two-bit-25000.pcx": pcx(2, 1, 25000, 25000),  # 5 MB of runs, 625 M pixels
        "rgb-7000.pcx": pcx(8, 3, 7000, 7000),  # 4.7 MB, 49 M true-colour pixels
        "tall-1x32767.pcx": pcx(8, 1, 1, 32767, palette=True),
        "wide-32766x1.pcx": pcx(8, 1, 32766, 1, palette=True),
        "tall-1x32767.png": png(1, 32767),
        "zeros-16384.gif": gif(16384, 16384),  # 100 KB, 268 M pixels
        "id10.tga": tga_with_id(),
        "rgb-7000-colours.pcx": pcx_colours(7000),  # 4.7 MB, 7000 colours to reduce
        "claims-65535.tga": tga(65535, 65535, bytes([0xFF, 0x55]) * 16),  # 50 bytes, 4 G pixels
        "grey-16384.tga": tga(16384, 16384, bytes([0xFF, 0x55]) * (16384 * 128)),  # 4 MB, 268 M
        # pixels, bottom row first: a thumbnail reads it upwards from where each row starts
        "two.gpl": b"GIMP Palette\n0 0 0\n255 255 255\n",
        "rgb-6000.png": png(6000, 6000),  # 100 KB, past the 128 MiB Qt's readers take
    }
    manufacturer0 = bytearray(pcx(8, 1, 64, 64, palette=True))
    manufacturer0[0] = 0
    files["manufacturer0.pcx"] = bytes(manufacturer0)
    files["empty.pcx"] = b""
    for name, data in files.items():
        (folder / name).write_bytes(data)


if __name__ == "__main__":
    main()
