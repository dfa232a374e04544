#!/usr/bin/env python3
"""Draws Kestrune's icon: a sheet of paper with the katakana ア and a green check mark.

With no arguments, writes kestrune.ico beside this script: one 32 x 32 image in 24-bit colour
with its transparency mask (40 + 3,072 + 128 = 3,240 bytes of image data), and kestrune.png for
the Linux desktop entry.

With --png SIZE PATH, writes the same design at SIZE x SIZE pixels (more than 32) as PNG, for the
desktop's larger icon sizes: the shapes are scaled, and their edges smoothed by sampling each
pixel 4 x 4 times. Uses the standard library only.
"""
import math
import pathlib
import struct
import sys
import zlib

SIZE = 32
TRANSPARENT = None
PAPER = (255, 255, 255)
EDGE = (90, 98, 110)
INK = (30, 60, 150)
CHECK = (20, 150, 60)

# The design, on the 32-pixel grid (pixel centres at whole numbers), painted in this order:
# ("rect", x0, y0, x1, y1) takes the pixels x0..x1, y0..y1; ("line", x0, y0, x1, y1, width) a
# stroke with round ends.
DESIGN = [
    # The sheet.
    (EDGE, "rect", 4, 1, 25, 30),
    (PAPER, "rect", 5, 2, 24, 29),
    # ア: the top stroke with its hook, and the long stroke sweeping down to the left.
    (INK, "line", 8, 6, 20, 6, 2.6),
    (INK, "line", 20, 6, 16, 11, 2.6),
    (INK, "line", 13, 9, 13, 15, 2.6),
    (INK, "line", 13, 15, 8, 21, 2.6),
    # The check mark, over the lower right corner.
    (CHECK, "line", 15, 23, 20, 28, 3.6),
    (CHECK, "line", 20, 28, 30, 14, 3.6),
]


def draw_32():
    """The 32 x 32 image, pixel by pixel: the icon the window embeds."""
    pixels = [[TRANSPARENT] * SIZE for _ in range(SIZE)]

    def plot(x, y, colour):
        if 0 <= x < SIZE and 0 <= y < SIZE:
            pixels[y][x] = colour

    def rect(x0, y0, x1, y1, colour):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                plot(x, y, colour)

    def line(x0, y0, x1, y1, width, colour):
        steps = max(abs(x1 - x0), abs(y1 - y0)) * 4 or 1
        half = width / 2
        for i in range(steps + 1):
            cx = x0 + (x1 - x0) * i / steps
            cy = y0 + (y1 - y0) * i / steps
            for y in range(int(cy - half), int(cy + half) + 1):
                for x in range(int(cx - half), int(cx + half) + 1):
                    if (x - cx) ** 2 + (y - cy) ** 2 <= half * half + 0.25:
                        plot(x, y, colour)

    for colour, kind, *args in DESIGN:
        (rect if kind == "rect" else line)(*args, colour)
    return pixels


def draw_scaled(size, samples=4):
    """The design at size x size: each pixel takes the colours of samples x samples points,
    and its opacity from how many of them a shape covers."""
    grid = size * samples
    canvas = [[TRANSPARENT] * grid for _ in range(grid)]
    scale = grid / SIZE

    def to_grid(u):  # the first sample whose centre is at or after u, within the canvas
        return max(0, min(grid, math.ceil((u + 0.5) * scale - 0.5)))

    def to_design(i):  # a sample index to the design coordinate of its centre
        return (i + 0.5) / scale - 0.5

    for colour, kind, *args in DESIGN:
        if kind == "rect":
            x0, y0, x1, y1 = args
            left, right = to_grid(x0 - 0.5), to_grid(x1 + 0.5)
            for row in canvas[to_grid(y0 - 0.5):to_grid(y1 + 0.5)]:
                row[left:right] = [colour] * (right - left)
            continue
        # A stroke: every point within this reach of the segment, as the 32-pixel drawing
        # takes every pixel centre within it of the points along the segment.
        x0, y0, x1, y1, width = args
        reach = math.sqrt((width / 2) ** 2 + 0.25)
        dx, dy = x1 - x0, y1 - y0
        length2 = dx * dx + dy * dy
        for j in range(to_grid(min(y0, y1) - reach), to_grid(max(y0, y1) + reach)):
            v = to_design(j)
            for i in range(to_grid(min(x0, x1) - reach), to_grid(max(x0, x1) + reach)):
                u = to_design(i)
                t = max(0.0, min(1.0, ((u - x0) * dx + (v - y0) * dy) / length2))
                if (u - x0 - t * dx) ** 2 + (v - y0 - t * dy) ** 2 <= reach * reach:
                    canvas[j][i] = colour

    pixels = []
    for y in range(size):
        row = []
        for x in range(size):
            covered = [canvas[y * samples + j][x * samples + i]
                       for j in range(samples) for i in range(samples)]
            covered = [c for c in covered if c is not TRANSPARENT]
            if not covered:
                row.append(TRANSPARENT)
                continue
            alpha = round(255 * len(covered) / samples ** 2)
            row.append(tuple(round(sum(c[k] for c in covered) / len(covered)) for k in range(3))
                       + (alpha,))
        pixels.append(row)
    return pixels


def ico_bytes(pixels):
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


def png_bytes(pixels):
    """RGBA; a pixel is None (transparent), an opaque (r, g, b) or (r, g, b, alpha)."""
    raw = bytearray()
    for row in pixels:
        raw.append(0)
        for p in row:
            raw += bytes(p) + (b"\xff" if len(p) == 3 else b"") if p else b"\0\0\0\0"

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    header = struct.pack(">IIBBBBB", len(pixels), len(pixels), 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


if len(sys.argv) == 4 and sys.argv[1] == "--png" and int(sys.argv[2]) > SIZE:
    pathlib.Path(sys.argv[3]).write_bytes(png_bytes(draw_scaled(int(sys.argv[2]))))
elif len(sys.argv) == 1:
    here = pathlib.Path(__file__).resolve().parent
    icon = draw_32()
    (here / "kestrune.ico").write_bytes(ico_bytes(icon))
    (here / "kestrune.png").write_bytes(png_bytes(icon))
else:
    sys.exit(f"usage: {sys.argv[0]} [--png SIZE PATH], SIZE above {SIZE}")
