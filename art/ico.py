#!/usr/bin/env python3
"""Puts icon images into a .ico file.

    python3 ico.py OUTPUT.ico IMAGE.rgba...

Each IMAGE.rgba is one square image as raw RGBA, 8 bits a sample, rows top
down, alpha not premultiplied: what `convert IMAGE.png -depth 8 RGBA:IMAGE.rgba`
writes. List the images largest first.

Every image is stored as a bitmap (not as PNG): BITMAPINFOHEADER, 32-bpp BGRA
rows bottom up, then the AND mask. A pixel of alpha below 128 is transparent
in the mask and its colour is written as black (its alpha is kept), so where
the alpha channel is ignored the screen shows through it unchanged; the
drawings' edges are dark, so the faint edge pixels are not missed there.
The same input gives the same bytes.
"""

import math
import os
import struct
import sys


def image_entry(rgba):
    """(side, bytes) of one image: its bitmap header, colour rows, AND mask."""
    side = math.isqrt(len(rgba) // 4)
    if side < 1 or side > 256 or side * side * 4 != len(rgba):
        raise ValueError(f"not a square RGBA image of at most 256x256: {len(rgba)} bytes")
    mask_stride = (side + 31) // 32 * 4
    colour = bytearray()
    mask = bytearray()
    for y in reversed(range(side)):
        bits = bytearray(mask_stride)
        for x in range(side):
            r, g, b, a = rgba[(y * side + x) * 4:(y * side + x) * 4 + 4]
            if a < 128:
                bits[x // 8] |= 0x80 >> (x % 8)
                r = g = b = 0
            colour += bytes((b, g, r, a))
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, side, 2 * side, 1, 32, 0, len(colour) + len(mask), 0, 0, 0, 0)
    return side, header + bytes(colour) + bytes(mask)


def ico(images):
    """The .ico file of the given RGBA images."""
    entries = [image_entry(rgba) for rgba in images]
    head = struct.pack("<HHH", 0, 1, len(entries))
    offset = len(head) + 16 * len(entries)
    directory = b""
    for side, data in entries:
        directory += struct.pack("<BBBBHHII", side % 256, side % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return head + directory + b"".join(data for _, data in entries)


def main(argv):
    if len(argv) < 3:
        sys.stderr.write("usage: ico.py OUTPUT.ico IMAGE.rgba...\n")
        return 2
    images = []
    for path in argv[2:]:
        with open(path, "rb") as f:
            images.append(f.read())
    data = ico(images)
    tmp = argv[1] + ".tmp"
    with open(tmp, "wb") as f:
        f.write(data)
    os.replace(tmp, argv[1])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
