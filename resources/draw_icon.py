#!/usr/bin/env python3
"""Draws Kestrune's icon: a sheet of paper with the katakana ア and a green check mark.

Writes kestrune.ico beside this script: one 32 x 32 image in 24-bit colour with its
transparency mask (40 + 3,072 + 128 = 3,240 bytes of image data), and kestrune.png for the
Linux desktop entry. Uses the standard library only.
"""
import pathlib
import struct
import zlib

SIZE = 32
TRANSPARENT = None
PAPER = (255, 255, 255)
EDGE = (90, 98, 110)
INK = (30, 60, 150)
CHECK = (20, 150, 60)

pixels = [[TRANSPARENT] * SIZE for _ in range(SIZE)]


def plot(x, y, colour):
    if 0 <= x < SIZE and 0 <= y < SIZE:
        pixels[y][x] = colour


def rect(x0, y0, x1, y1, colour):
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            plot(x, y, colour)


def line(x0, y0, x1, y1, colour, width):
    steps = max(abs(x1 - x0), abs(y1 - y0)) * 4 or 1
    half = width / 2
    for i in range(steps + 1):
        cx = x0 + (x1 - x0) * i / steps
        cy = y0 + (y1 - y0) * i / steps
        for y in range(int(cy - half), int(cy + half) + 1):
            for x in range(int(cx - half), int(cx + half) + 1):
                if (x - cx) ** 2 + (y - cy) ** 2 <= half * half + 0.25:
                    plot(x, y, colour)


# The sheet.
rect(4, 1, 25, 30, EDGE)
rect(5, 2, 24, 29, PAPER)

# ア: the top stroke with its hook, and the long stroke sweeping down to the left.
line(8, 6, 20, 6, INK, 2.6)
line(20, 6, 16, 11, INK, 2.6)
line(13, 9, 13, 15, INK, 2.6)
line(13, 15, 8, 21, INK, 2.6)

# The check mark, over the lower right corner.
line(15, 23, 20, 28, CHECK, 3.6)
line(20, 28, 30, 14, CHECK, 3.6)


def ico_bytes():
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 24, 0, 0, 0, 0, 0, 0)
    colour = bytearray()
    mask = bytearray()
    for y in reversed(range(SIZE)):  # bottom-up rows
        bits = 0
        for x in range(SIZE):
            p = pixels[y][x]
            colour += bytes(p[::-1]) if p else b"\0\0\0"  # BGR
            bits = (bits << 1) | (p is None)
        mask += bits.to_bytes(4, "big")
    image = header + bytes(colour) + bytes(mask)
    assert len(image) == 3240
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 24, len(image), 6 + 16)
    return directory + entry + image


def png_bytes():
    raw = bytearray()
    for row in pixels:
        raw.append(0)
        for p in row:
            raw += bytes(p) + b"\xff" if p else b"\0\0\0\0"

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    header = struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


here = pathlib.Path(__file__).resolve().parent
(here / "kestrune.ico").write_bytes(ico_bytes())
(here / "kestrune.png").write_bytes(png_bytes())
