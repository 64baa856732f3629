#!/usr/bin/env python3
"""Writes the two default spin-button pictures as 9 x 6, 16-colour BMP files.

Run once from this folder; the output is checked in and compiled in as Qt
resources. The background colour (the bottom-left pixel) is drawn transparent.
"""
import struct

WIDTH, HEIGHT = 9, 6
BACKGROUND, TRIANGLE = 7, 0  # palette indices: silver, black

# Standard 16-colour palette (blue, green, red, reserved).
PALETTE = [
    (0, 0, 0), (0, 0, 128), (0, 128, 0), (0, 128, 128),
    (128, 0, 0), (128, 0, 128), (128, 128, 0), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]

UP = [
    ".........",
    "....#....",
    "...###...",
    "..#####..",
    ".#######.",
    ".........",
]
DOWN = list(reversed(UP))


def bmp(rows):
    row_bytes = ((WIDTH * 4 + 31) // 32) * 4
    pixels = b""
    for row in reversed(rows):  # BMP rows run bottom-up
        nibbles = [TRIANGLE if c == "#" else BACKGROUND for c in row]
        nibbles += [0] * (row_bytes * 2 - len(nibbles))
        pixels += bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, len(nibbles), 2))
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (b, g, r) in PALETTE)
    offset = 14 + 40 + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 4, 0, len(pixels), 2835, 2835, 16, 0)
    return header + info + palette + pixels


for name, rows in (("SPINUP.bmp", UP), ("SPINDOWN.bmp", DOWN)):
    with open(name, "wb") as f:
        f.write(bmp(rows))
