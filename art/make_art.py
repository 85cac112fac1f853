#!/usr/bin/env python3
"""Draws Quelvo's artwork and writes it into a directory.

    python3 make_art.py OUTPUT_DIR

Writes, byte for byte the same on every run:

  quelvo.ico  program icon: an optical disc with a blue eject badge,
              32x32 and 16x16, 32 bits per pixel with alpha plus an AND mask
  options.ico the options window's icon: the same disc with a green check
              badge, in the same two sizes
  looks.ico   the appearance window's icon: the same disc with a badge
              shading through the colours, in the same two sizes
  mail.ico    the about window's e-mail link: a sealed envelope, in the
              same two sizes
  menu.bmp    the nine 16x16 tray-menu images side by side (144x16, 24 bpp),
              background = transparent key colour magenta (FF00FF)
  strip.jpg   350x5 decorative strip for the splash window (baseline JPEG,
              YCbCr without subsampling), gold -> white -> blue
  logo.bmp    95x95 main-window logo (24 bpp), background = magenta key;
              the bottom rows are left empty so the maker line shows

Only the Python standard library is used. Everything is drawn from simple
geometry (circles, rectangles, triangles) sampled on a fixed sub-pixel grid,
using only +, -, *, / and sqrt, so the output does not depend on the
platform's trigonometric functions; the JPEG writer works in whole numbers
only (its cosines are a fixed table).
"""

import math
import os
import struct
import sys

# Transparent key colour of menu.bmp and logo.bmp.
KEY = (255, 0, 255)


# ---------------------------------------------------------------------------
# Shapes: predicates over continuous coordinates (x right, y down; pixel
# (i, j) covers [i, i+1) x [j, j+1)).
# ---------------------------------------------------------------------------

def circle(cx, cy, r):
    r2 = r * r
    return lambda x, y: (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r2


def ring(cx, cy, r_out, r_in):
    o2, i2 = r_out * r_out, r_in * r_in
    def f(x, y):
        d = (x - cx) * (x - cx) + (y - cy) * (y - cy)
        return i2 < d <= o2
    return f


def box(x0, y0, x1, y1):
    """Rectangle of whole pixels x0..x1, y0..y1 (inclusive)."""
    return lambda x, y: x0 <= x < x1 + 1 and y0 <= y < y1 + 1


def rounded_box(x0, y0, x1, y1, rad):
    """Continuous rectangle [x0, x1] x [y0, y1] with rounded corners."""
    def f(x, y):
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return False
        cx = min(max(x, x0 + rad), x1 - rad)
        cy = min(max(y, y0 + rad), y1 - rad)
        return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= rad * rad
    return f


def triangle(p0, p1, p2):
    def edge(a, b, x, y):
        return (b[0] - a[0]) * (y - a[1]) - (b[1] - a[1]) * (x - a[0])
    def f(x, y):
        d0 = edge(p0, p1, x, y)
        d1 = edge(p1, p2, x, y)
        d2 = edge(p2, p0, x, y)
        neg = d0 < 0 or d1 < 0 or d2 < 0
        pos = d0 > 0 or d1 > 0 or d2 > 0
        return not (neg and pos)
    return f


def thick_line(x0, y0, x1, y1, half_width):
    """Segment with round caps."""
    dx, dy = x1 - x0, y1 - y0
    ll = dx * dx + dy * dy
    hw2 = half_width * half_width
    def f(x, y):
        t = ((x - x0) * dx + (y - y0) * dy) / ll
        t = min(max(t, 0.0), 1.0)
        px, py = x0 + t * dx - x, y0 + t * dy - y
        return px * px + py * py <= hw2
    return f


def union(*shapes):
    return lambda x, y: any(s(x, y) for s in shapes)


def minus(a, b):
    return lambda x, y: a(x, y) and not b(x, y)


# ---------------------------------------------------------------------------
# Hard-edged pixel canvas (for images shown with a transparent key colour:
# no blending, so no pink fringes).
# ---------------------------------------------------------------------------

class KeyCanvas:
    SUB = 4  # 4x4 samples per pixel; a pixel is inside at >= half coverage

    def __init__(self, width, height, background=KEY):
        self.w, self.h = width, height
        self.px = [[background] * width for _ in range(height)]

    def mask(self, shape, ox=0, oy=0):
        n = self.SUB
        inside = set()
        for j in range(self.h):
            for i in range(self.w):
                hits = 0
                for sy in range(n):
                    for sx in range(n):
                        if shape(i - ox + (sx + 0.5) / n, j - oy + (sy + 0.5) / n):
                            hits += 1
                if hits * 2 >= n * n:
                    inside.add((i, j))
        return inside

    def fill(self, shape, colour, ox=0, oy=0):
        for (i, j) in self.mask(shape, ox, oy):
            self.px[j][i] = colour

    def fill_fn(self, shape, colour_fn, ox=0, oy=0):
        """Fill with a colour depending on the local pixel position."""
        for (i, j) in self.mask(shape, ox, oy):
            self.px[j][i] = colour_fn(i - ox, j - oy)

    def outline(self, shape, colour, ox=0, oy=0, clip=None):
        """Draw a one-pixel ring (8-neighbourhood) just outside the shape."""
        m = self.mask(shape, ox, oy)
        for j in range(self.h):
            for i in range(self.w):
                if (i, j) in m:
                    continue
                if clip and not clip(i, j):
                    continue
                if any((i + a, j + b) in m for a in (-1, 0, 1) for b in (-1, 0, 1)):
                    self.px[j][i] = colour

    def put(self, i, j, colour, ox=0, oy=0):
        i, j = i + ox, j + oy
        if 0 <= i < self.w and 0 <= j < self.h:
            self.px[j][i] = colour


def mix(a, b, t):
    return tuple(int(round(a[k] + (b[k] - a[k]) * t)) for k in range(3))


# ---------------------------------------------------------------------------
# File writers
# ---------------------------------------------------------------------------

def bmp24(rows):
    """24-bpp bottom-up Windows bitmap from rows of (r, g, b)."""
    h, w = len(rows), len(rows[0])
    stride = (w * 3 + 3) & ~3
    data = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for (r, g, b) in row:
            line += bytes((b, g, r))
        line += b"\0" * (stride - len(line))
        data += line
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    head = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(data), 0, 0, 14 + len(info))
    return head + info + bytes(data)


def ico_image(rgba):
    """One icon image: BITMAPINFOHEADER, 32-bpp BGRA colour, then the AND mask.

    Pixels of alpha < 128 are transparent in the mask and get colour 0 (their
    alpha is kept), so where the alpha channel is ignored the screen shows
    through them unchanged; every drawn edge is dark, so the lost colour of
    these faint edge pixels is not missed where alpha is used."""
    h, w = len(rgba), len(rgba[0])
    colour = bytearray()
    mask = bytearray()
    mask_stride = ((w + 31) // 32) * 4
    for row in reversed(rgba):
        bits = bytearray(mask_stride)
        for i, (r, g, b, a) in enumerate(row):
            if a < 128:
                bits[i // 8] |= 0x80 >> (i % 8)
                r = g = b = 0
            colour += bytes((b, g, r, a))
        mask += bits
    info = struct.pack("<IiiHHIIiiII", 40, w, 2 * h, 1, 32, 0,
                       len(colour) + len(mask), 0, 0, 0, 0)
    return info + bytes(colour) + bytes(mask)


def ico(images):
    """.ico file from a list of RGBA images (largest first)."""
    head = struct.pack("<HHH", 0, 1, len(images))
    offset = len(head) + 16 * len(images)
    entries = b""
    blobs = b""
    for img in images:
        blob = ico_image(img)
        h, w = len(img), len(img[0])
        entries += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
        blobs += blob
    return head + entries + blobs


# ---------------------------------------------------------------------------
# Baseline JPEG writer: JFIF, YCbCr 4:4:4, the example quantisation tables
# scaled for a quality as usual (50 = the tables as printed), the example
# Huffman tables, an 8x8 DCT in whole numbers.
# ---------------------------------------------------------------------------

# Quantisation tables in natural (row by row) order: luminance, chrominance.
QUANT_LUMA = (
    16, 11, 10, 16, 24, 40, 51, 61,
    12, 12, 14, 19, 26, 58, 60, 55,
    14, 13, 16, 24, 40, 57, 69, 56,
    14, 17, 22, 29, 51, 87, 80, 62,
    18, 22, 37, 56, 68, 109, 103, 77,
    24, 35, 55, 64, 81, 104, 113, 92,
    49, 64, 78, 87, 103, 121, 120, 101,
    72, 92, 95, 98, 112, 100, 103, 99)
QUANT_CHROMA = (
    17, 18, 24, 47, 99, 99, 99, 99,
    18, 21, 26, 66, 99, 99, 99, 99,
    24, 26, 56, 99, 99, 99, 99, 99,
    47, 66, 99, 99, 99, 99, 99, 99) + (99,) * 32


def _ac_values(prefix):
    """An AC table's symbols: the short codes' symbols as listed, then every
    other run/size symbol (run 0..15, size 1..10) in increasing order, all of
    which get 16-bit codes."""
    rest = sorted(set((run << 4) | size for run in range(16) for size in range(1, 11))
                  - set(prefix))
    return tuple(prefix) + tuple(rest)


# Huffman tables as (number of codes of each length 1..16, symbols).
HUFF_DC_LUMA = ((0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0), tuple(range(12)))
HUFF_DC_CHROMA = ((0, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0), tuple(range(12)))
HUFF_AC_LUMA = ((0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 125), _ac_values((
    0x01, 0x02, 0x03, 0x00, 0x04, 0x11, 0x05, 0x12, 0x21, 0x31, 0x41, 0x06,
    0x13, 0x51, 0x61, 0x07, 0x22, 0x71, 0x14, 0x32, 0x81, 0x91, 0xA1, 0x08,
    0x23, 0x42, 0xB1, 0xC1, 0x15, 0x52, 0xD1, 0xF0, 0x24, 0x33, 0x62, 0x72,
    0x82)))
HUFF_AC_CHROMA = ((0, 2, 1, 2, 4, 4, 3, 4, 7, 5, 4, 4, 0, 1, 2, 119), _ac_values((
    0x00, 0x01, 0x02, 0x03, 0x11, 0x04, 0x05, 0x21, 0x31, 0x06, 0x12, 0x41,
    0x51, 0x07, 0x61, 0x71, 0x13, 0x22, 0x32, 0x81, 0x08, 0x14, 0x42, 0x91,
    0xA1, 0xB1, 0xC1, 0x09, 0x23, 0x33, 0x52, 0xF0, 0x15, 0x62, 0x72, 0xD1,
    0x0A, 0x16, 0x24, 0x34, 0xE1, 0x25, 0xF1)))

# cos(k * pi / 16) * 2**16, rounded, for k = 0..8.
_COS = (65536, 64277, 60547, 54491, 46341, 36410, 25080, 12785, 0)
_ONE = 1 << 16


def _cos16(k):
    """cos(k * pi / 16) * 2**16 for any whole k."""
    k %= 32
    if k <= 8:
        return _COS[k]
    if k <= 16:
        return -_COS[16 - k]
    if k <= 24:
        return -_COS[k - 16]
    return _COS[32 - k]


# DCT basis: _BASIS[u][x] = C(u) * cos((2x + 1) * u * pi / 16) * 2**16 with
# C(0) = 1 / sqrt(2) = cos(pi / 4), C(u) = 1 otherwise.
_BASIS = tuple(tuple(_cos16(4) if u == 0 else _cos16((2 * x + 1) * u) for x in range(8))
               for u in range(8))


def _zigzag():
    """Natural indices (row * 8 + column) in zig-zag order."""
    order = []
    for d in range(15):
        cells = [(r, d - r) for r in range(8) if 0 <= d - r < 8]
        if d % 2 == 0:
            cells.reverse()
        order += [r * 8 + c for (r, c) in cells]
    return tuple(order)


ZIGZAG = _zigzag()


def _divide_round(n, d):
    """n / d rounded to the nearest whole number, halves away from zero (d > 0)."""
    q = (abs(n) + d // 2) // d
    return q if n >= 0 else -q


def scaled_quant(table, quality):
    """The usual quality scaling: 50 keeps the table, 100 makes it all ones."""
    scale = 5000 // quality if quality < 50 else 200 - 2 * quality
    return tuple(min(max((q * scale + 50) // 100, 1), 255) for q in table)


def quantised_dct(block, quant):
    """64 level-shifted samples (row by row) -> 64 quantised coefficients in
    natural order, from F(v, u) = 1/4 sum C(u) C(v) s(y, x) cos .. cos .."""
    # Columns first: t[v][x] = sum over y of basis[v][y] * s[y][x].
    t = [[sum(_BASIS[v][y] * block[y * 8 + x] for y in range(8)) for x in range(8)]
         for v in range(8)]
    out = []
    for v in range(8):
        for u in range(8):
            total = sum(_BASIS[u][x] * t[v][x] for x in range(8))
            out.append(_divide_round(total, 4 * _ONE * _ONE * quant[v * 8 + u]))
    return out


def huffman_codes(table):
    """Symbol -> (code, length) of a table given as (counts per length, symbols)."""
    counts, symbols = table
    codes = {}
    code = 0
    k = 0
    for length in range(1, 17):
        for _ in range(counts[length - 1]):
            codes[symbols[k]] = (code, length)
            code += 1
            k += 1
        code <<= 1
    return codes


class _BitWriter:
    def __init__(self):
        self.out = bytearray()
        self.acc = 0
        self.n = 0

    def put(self, value, length):
        self.acc = (self.acc << length) | (value & ((1 << length) - 1))
        self.n += length
        while self.n >= 8:
            self.n -= 8
            byte = (self.acc >> self.n) & 0xFF
            self.out.append(byte)
            if byte == 0xFF:
                self.out.append(0)  # stuffed: not a marker
        self.acc &= (1 << self.n) - 1

    def finish(self):
        if self.n:
            self.put(0x7F, 8 - self.n)  # pad with one bits
        return bytes(self.out)


def _put_block(bits, coefs, previous_dc, dc_codes, ac_codes):
    """Writes one block's zig-zag coefficients; returns its DC value."""
    def magnitude(v):
        size = abs(v).bit_length()
        return size, (v if v >= 0 else v + (1 << size) - 1)

    diff = coefs[0] - previous_dc
    size, value = magnitude(diff)
    bits.put(*dc_codes[size])
    bits.put(value, size)
    run = 0
    for v in coefs[1:]:
        if v == 0:
            run += 1
            continue
        while run > 15:
            bits.put(*ac_codes[0xF0])  # sixteen zeros
            run -= 16
        size, value = magnitude(v)
        bits.put(*ac_codes[(run << 4) | size])
        bits.put(value, size)
        run = 0
    if run:
        bits.put(*ac_codes[0x00])  # end of block
    return coefs[0]


def _segment(marker, payload):
    return struct.pack(">BBH", 0xFF, marker, len(payload) + 2) + payload


def jpeg(rows, quality):
    """Baseline JFIF file from rows of (r, g, b)."""
    h, w = len(rows), len(rows[0])
    # Colour conversion (JFIF YCbCr) in 16-bit fixed point.
    planes = ([], [], [])
    for row in rows:
        ys, cbs, crs = [], [], []
        for (r, g, b) in row:
            ys.append((19595 * r + 38470 * g + 7471 * b + 32768) >> 16)
            cbs.append((-11059 * r - 21709 * g + 32768 * b + (128 << 16) + 32767) >> 16)
            crs.append((32768 * r - 27439 * g - 5329 * b + (128 << 16) + 32767) >> 16)
        for plane, line in zip(planes, (ys, cbs, crs)):
            plane.append(line)
    quants = (scaled_quant(QUANT_LUMA, quality), scaled_quant(QUANT_CHROMA, quality))
    tables = ((huffman_codes(HUFF_DC_LUMA), huffman_codes(HUFF_AC_LUMA)),
              (huffman_codes(HUFF_DC_CHROMA), huffman_codes(HUFF_AC_CHROMA)))

    bits = _BitWriter()
    dc = [0, 0, 0]
    for by in range(0, h, 8):
        for bx in range(0, w, 8):
            for c in range(3):
                # Blocks over the edge repeat the last column and row.
                block = [planes[c][min(by + y, h - 1)][min(bx + x, w - 1)] - 128
                         for y in range(8) for x in range(8)]
                coefs = quantised_dct(block, quants[min(c, 1)])
                zz = [coefs[k] for k in ZIGZAG]
                dc_codes, ac_codes = tables[min(c, 1)]
                dc[c] = _put_block(bits, zz, dc[c], dc_codes, ac_codes)
    data = bits.finish()

    out = b"\xFF\xD8"
    out += _segment(0xE0, b"JFIF\0" + struct.pack(">BBBHHBB", 1, 1, 0, 1, 1, 0, 0))
    out += _segment(0xDB, b"".join(bytes([t]) + bytes(quants[t][k] for k in ZIGZAG)
                                   for t in range(2)))
    out += _segment(0xC0, struct.pack(">BHHB", 8, h, w, 3) +
                    bytes((1, 0x11, 0, 2, 0x11, 1, 3, 0x11, 1)))
    dht = b""
    for cls_id, table in ((0x00, HUFF_DC_LUMA), (0x10, HUFF_AC_LUMA),
                          (0x01, HUFF_DC_CHROMA), (0x11, HUFF_AC_CHROMA)):
        dht += bytes([cls_id]) + bytes(table[0]) + bytes(table[1])
    out += _segment(0xC4, dht)
    out += _segment(0xDA, bytes((3, 1, 0x00, 2, 0x11, 3, 0x11, 0, 63, 0)))
    return out + data + b"\xFF\xD9"


# ---------------------------------------------------------------------------
# The disc (program icon and logo)
# ---------------------------------------------------------------------------

RIM = (62, 68, 88)
HUB = (226, 230, 238)
HUB_EDGE = (150, 156, 172)
SILVER = (196, 202, 214)
TINT_SIDE = (206, 168, 236)   # violet sheen left and right
TINT_TOPBOT = (150, 214, 238)  # cyan sheen above and below
BADGE_TOP = (78, 148, 246)
BADGE_BOTTOM = (22, 72, 186)
BADGE_EDGE = (14, 38, 104)
WHITE = (255, 255, 255)


def disc_colour(dx, dy, r_px, radius, rim_w, hub_r, hole_r, hole_w):
    """Colour of the disc at offset (dx, dy) from its centre, or None outside."""
    if r_px > radius or r_px < hole_r:
        return None
    if r_px > radius - rim_w:
        return RIM
    if r_px < hole_r + hole_w:
        return RIM
    if r_px < hub_r:
        # Clear plastic hub, a fine ring at its edge.
        if r_px > hub_r - max(0.6, radius * 0.04):
            return HUB_EDGE
        return HUB
    # Recorded area: silver with a two-fold sheen (cos 2a and sin 2a from x, y).
    rr = dx * dx + dy * dy
    c2 = (dx * dx - dy * dy) / rr
    s2 = 2 * dx * dy / rr
    tint = TINT_SIDE if c2 > 0 else TINT_TOPBOT
    base = mix(SILVER, tint, abs(c2) * 0.75)
    # Light from the top left: bright streak along that diagonal.
    shine = max(0.0, s2) ** 3 * 0.85
    # Slightly darker towards the outer edge.
    t = (r_px - hub_r) / (radius - hub_r)
    base = mix(base, (150, 158, 178), t * t * 0.35)
    return mix(base, WHITE, shine)


def render_rgba(w, h, scene, sub=8):
    """Supersampled RGBA image; scene(x, y) gives (r, g, b) or None."""
    out = []
    n2 = sub * sub
    for j in range(h):
        row = []
        for i in range(w):
            acc = [0, 0, 0]
            cov = 0
            for sy in range(sub):
                for sx in range(sub):
                    c = scene(i + (sx + 0.5) / sub, j + (sy + 0.5) / sub)
                    if c is not None:
                        cov += 1
                        acc[0] += c[0]
                        acc[1] += c[1]
                        acc[2] += c[2]
            if cov == 0:
                row.append((0, 0, 0, 0))
            else:
                # Straight (not premultiplied) colour: the mean of the covered samples.
                row.append((int(acc[0] / cov + 0.5), int(acc[1] / cov + 0.5),
                            int(acc[2] / cov + 0.5), int(255 * cov / n2 + 0.5)))
        out.append(row)
    return out


# The options window's badge: green, with a white check mark.
OPTIONS_TOP = (88, 206, 104)
OPTIONS_BOTTOM = (24, 128, 48)
OPTIONS_EDGE = (12, 72, 28)


# The appearance window's badge: the colours from red through green to
# blue, left to right, in a dark edge.
LOOKS_EDGE = (48, 48, 56)
LOOKS_STOPS = ((220, 40, 40), (240, 200, 40), (40, 170, 70), (40, 90, 220))


def icon_scene(size, options=False, looks=False):
    """Disc filling the icon with a badge at the bottom right: the eject
    sign for the program, a check mark for its options window, four colour
    shades for its appearance window."""
    if size == 32:
        cx = cy = 16.0
        radius, rim_w, hub_r, hole_r, hole_w = 15.6, 1.1, 6.0, 2.4, 0.9
        bx0, by0, bx1, by1, brad = 17.0, 17.0, 31.6, 31.6, 3.0
        edge_w = 1.0
        glyph = union(triangle((24.3, 19.6), (19.6, 24.6), (29.0, 24.6)),
                      lambda x, y: 19.6 <= x <= 29.0 and 26.2 <= y <= 28.4)
    else:
        cx = cy = 8.0
        radius, rim_w, hub_r, hole_r, hole_w = 7.8, 0.85, 3.0, 1.0, 0.7
        bx0, by0, bx1, by1, brad = 7.0, 7.0, 16.0, 16.0, 1.5
        edge_w = 1.0
        # Whole pixels at this size: a stepped triangle over a bar.
        glyph = union(box(11, 9, 12, 9), box(10, 10, 13, 10), box(9, 11, 14, 11),
                      box(9, 13, 14, 13))
    top, bottom, edge = BADGE_TOP, BADGE_BOTTOM, BADGE_EDGE
    if options:
        top, bottom, edge = OPTIONS_TOP, OPTIONS_BOTTOM, OPTIONS_EDGE
        if size == 32:
            glyph = union(thick_line(20.0, 24.0, 23.2, 27.6, 1.2),
                          thick_line(23.2, 27.6, 28.8, 20.2, 1.2))
        else:
            glyph = union(box(9, 11, 9, 11), box(10, 12, 10, 12), box(11, 13, 11, 13),
                          box(12, 12, 12, 12), box(13, 11, 13, 11), box(14, 10, 14, 10))
    if looks:
        edge = LOOKS_EDGE
        glyph = lambda x, y: False  # noqa: E731

        def looks_colour(x, y):
            t = min(max((x - bx0) / (bx1 - bx0), 0.0), 1.0) * (len(LOOKS_STOPS) - 1)
            k = min(int(t), len(LOOKS_STOPS) - 2)
            return mix(LOOKS_STOPS[k], LOOKS_STOPS[k + 1], t - k)
    badge_out = rounded_box(bx0, by0, bx1, by1, brad)
    badge_in = rounded_box(bx0 + edge_w, by0 + edge_w, bx1 - edge_w, by1 - edge_w,
                           max(0.5, brad - edge_w))

    def scene(x, y):
        if badge_out(x, y):
            if not badge_in(x, y):
                return edge
            if glyph(x, y):
                return WHITE
            if looks:
                return looks_colour(x, y)
            return mix(top, bottom, (y - by0) / (by1 - by0))
        dx, dy = x - cx, y - cy
        return disc_colour(dx, dy, math.sqrt(dx * dx + dy * dy),
                           radius, rim_w, hub_r, hole_r, hole_w)
    return scene


def make_icon(options=False, looks=False):
    return ico([render_rgba(32, 32, icon_scene(32, options, looks)),
                render_rgba(16, 16, icon_scene(16, options, looks))])


# The envelope: paper, its outline and the flap's folds.
PAPER_TOP = (252, 252, 246)
PAPER_BOTTOM = (222, 226, 214)
ENVELOPE_EDGE = (70, 78, 96)


def envelope_scene(size):
    """A sealed envelope across the icon: a light sheet in a dark edge with
    the flap's two folds meeting below the middle."""
    s = size / 32.0
    x0, y0, x1, y1 = 2.0 * s, 7.0 * s, 30.0 * s, 25.0 * s
    edge_w = max(1.0, 1.2 * s)
    sheet = rounded_box(x0, y0, x1, y1, 1.5 * s)
    inner = rounded_box(x0 + edge_w, y0 + edge_w, x1 - edge_w, y1 - edge_w, max(0.5, 1.5 * s - edge_w))
    tip = (16.0 * s, 17.0 * s)
    folds = union(thick_line(x0 + edge_w, y0 + edge_w, tip[0], tip[1], 0.6 * edge_w),
                  thick_line(x1 - edge_w, y0 + edge_w, tip[0], tip[1], 0.6 * edge_w))

    def scene(x, y):
        if not sheet(x, y):
            return None
        if not inner(x, y) or folds(x, y):
            return ENVELOPE_EDGE
        return mix(PAPER_TOP, PAPER_BOTTOM, (y - y0) / (y1 - y0))
    return scene


def make_mail_icon():
    return ico([render_rgba(32, 32, envelope_scene(32)), render_rgba(16, 16, envelope_scene(16))])


def make_logo():
    """95x95 disc on the key colour. The bottom rows stay key-coloured: the
    main window's maker line sits under the logo's lower edge."""
    w = h = 95
    cx, cy, radius = 47.5, 42.0, 41.0
    hub_r, hole_r = 15.0, 6.0

    def scene(x, y):
        dx, dy = x - cx, y - cy
        return disc_colour(dx, dy, math.sqrt(dx * dx + dy * dy),
                           radius, 2.0, hub_r, hole_r, 1.5)

    rgba = render_rgba(w, h, scene, sub=4)
    rows = []
    for row in rgba:
        # Hard edge against the key: the dark rim makes the cut look clean.
        rows.append([(r, g, b) if a >= 128 else KEY for (r, g, b, a) in row])
    return bmp24(rows)


# ---------------------------------------------------------------------------
# Menu images, 16x16 each, index order:
#   0 show window, 1 hide window, 2 eject, 3 close drive, 4 desktop shortcut,
#   5 view settings, 6 appearance, 7 exit, 8 about
# ---------------------------------------------------------------------------

INK = (28, 32, 48)           # outlines
TITLE_BLUE = (40, 104, 214)
TITLE_LIGHT = (110, 170, 250)
PAPER = (255, 255, 255)
PAPER_SHADE = (214, 222, 236)
EJECT_FILL = (62, 132, 232)
GREEN = (40, 168, 64)
DRIVE = (196, 198, 208)
DRIVE_DARK = (120, 124, 140)
RED = (214, 44, 36)
GEAR = (120, 132, 156)
GEAR_LIGHT = (176, 186, 206)
WOOD = (226, 186, 128)
WOOD_DARK = (112, 74, 32)
INFO_BLUE = (36, 110, 220)


def draw_window(c, ox, x0, y0, x1, y1):
    """A small application window: outline, blue title bar, white body."""
    c.fill(box(x0, y0, x1, y1), INK, ox)
    c.fill(box(x0 + 1, y0 + 1, x1 - 1, y0 + 3), TITLE_BLUE, ox)
    c.fill(box(x0 + 1, y0 + 1, x1 - 1, y0 + 1), TITLE_LIGHT, ox)
    c.fill(box(x1 - 3, y0 + 2, x1 - 2, y0 + 2), PAPER, ox)  # caption button
    c.fill(box(x0 + 1, y0 + 4, x1 - 1, y1 - 1), PAPER, ox)


def glyph_show(c, ox):
    draw_window(c, ox, 0, 1, 15, 14)
    # Text lines in the body.
    for y in (7, 9, 11):
        c.fill(box(2, y, 10 if y != 9 else 12, y), PAPER_SHADE, ox)


def glyph_hide(c, ox):
    draw_window(c, ox, 0, 1, 12, 11)
    badge = circle(11.5, 11.5, 4.3)
    c.outline(badge, INK, ox)
    c.fill(badge, RED, ox)
    c.fill(box(9, 11, 14, 12), PAPER, ox)


def glyph_eject(c, ox):
    tri = triangle((8.0, 1.2), (1.0, 8.8), (15.0, 8.8))
    bar = box(1, 11, 14, 13)
    c.fill(union(tri, bar), INK, ox)
    c.fill(triangle((8.0, 3.2), (3.2, 8.0), (12.8, 8.0)), EJECT_FILL, ox)
    c.fill(box(2, 12, 13, 12), EJECT_FILL, ox)


def glyph_close(c, ox):
    # Drive front with its tray slot and busy light.
    c.fill(box(0, 9, 15, 15), INK, ox)
    c.fill(box(1, 10, 14, 14), DRIVE, ox)
    c.fill(box(1, 10, 14, 10), (230, 232, 240), ox)
    c.fill(box(3, 12, 10, 12), DRIVE_DARK, ox)
    c.fill(box(12, 12, 13, 12), GREEN, ox)
    # Arrow down into the drive.
    arrow = union(box(6, 0, 9, 3), triangle((1.5, 3.5), (14.5, 3.5), (8.0, 9.6)))
    c.outline(arrow, INK, ox, clip=lambda i, j: j < 9)
    c.fill(arrow, GREEN, ox)


SHORTCUT_ARROW = (
    ".......",
    "..####.",
    "...###.",
    "..####.",
    ".###.#.",
    ".##....",
    ".......",
)


def glyph_shortcut(c, ox):
    # A page with a folded corner.
    page = union(box(5, 1, 10, 14), box(5, 5, 14, 14))
    c.outline(page, INK, ox)
    c.fill(page, PAPER, ox)
    c.fill(triangle((11.0, 0.0), (11.0, 5.0), (16.0, 5.0)), INK, ox)
    c.fill(triangle((11.8, 2.2), (11.8, 4.2), (13.8, 4.2)), PAPER_SHADE, ox)
    for y in (7, 9, 11):
        c.fill(box(10, y, 13, y), PAPER_SHADE, ox)
    # The shortcut badge: white box with an arrow pointing up and right.
    c.fill(box(0, 7, 8, 15), INK, ox)
    c.fill(box(1, 8, 7, 14), PAPER, ox)
    for j, line in enumerate(SHORTCUT_ARROW):
        for i, ch in enumerate(line):
            if ch == "#":
                c.put(1 + i, 8 + j, TITLE_BLUE, ox)


def glyph_settings(c, ox):
    cx, cy = 8.0, 8.0
    h = math.sqrt(0.5)
    def tooth(ux, uy):
        # A bar of half-length 7.3 and half-width 1.5 along direction (ux, uy).
        def f(x, y):
            dx, dy = x - cx, y - cy
            along = dx * ux + dy * uy
            across = -dx * uy + dy * ux
            return abs(along) <= 7.3 and abs(across) <= 1.5
        return f
    body = union(circle(cx, cy, 5.3), tooth(1, 0), tooth(0, 1), tooth(h, h), tooth(h, -h))
    gear = minus(body, circle(cx, cy, 2.2))
    c.fill(gear, INK, ox)
    inner = minus(union(circle(cx, cy, 4.3),
                        minus(body, ring(cx, cy, 9.0, 6.0))),
                  circle(cx, cy, 3.2))
    c.fill_fn(inner, lambda i, j: GEAR_LIGHT if i + j < 15 else GEAR, ox)
    # Teeth faces.
    faces = minus(minus(body, circle(cx, cy, 6.2)), ring(cx, cy, 20, 7.2))
    c.fill_fn(faces, lambda i, j: GEAR_LIGHT if i + j < 15 else GEAR, ox)


def glyph_palette(c, ox):
    palette = minus(union(circle(8.0, 8.0, 7.0), circle(5.0, 10.5, 4.8)),
                    circle(12.6, 12.6, 2.6))
    c.outline(palette, WOOD_DARK, ox)
    c.fill(palette, WOOD, ox)
    c.fill(circle(10.0, 11.0, 1.4), WOOD_DARK, ox)  # thumb hole
    for (x, y, col) in ((4.5, 5.5, RED), (8.0, 3.6, (250, 206, 30)),
                        (11.6, 5.6, GREEN), (4.4, 9.8, TITLE_BLUE)):
        c.fill(circle(x, y, 1.55), col, ox)


def glyph_exit(c, ox):
    cx, cy = 8.0, 9.0
    arc = minus(ring(cx, cy, 6.3, 4.1),
                lambda x, y: y < cy and abs(x - cx) < 2.9)
    bar = box(7, 1, 8, 8)
    shape = union(arc, bar)
    c.outline(shape, INK, ox)
    c.fill(shape, RED, ox)
    # Keep the bar separate from the ring ends.
    for j in range(1, 6):
        for i in (6, 9):
            if c.px[j][ox + i] == RED:
                c.put(i, j, INK, ox)


def glyph_about(c, ox):
    disc = circle(8.0, 8.0, 7.9)
    c.fill(disc, INK, ox)
    c.fill_fn(circle(8.0, 8.0, 6.8),
              lambda i, j: TITLE_LIGHT if (i - 5.5) ** 2 + (j - 4.5) ** 2 < 6 else INFO_BLUE, ox)
    c.fill(box(7, 3, 8, 4), PAPER, ox)     # dot
    c.fill(box(6, 6, 8, 6), PAPER, ox)     # stem head
    c.fill(box(7, 7, 8, 11), PAPER, ox)    # stem
    c.fill(box(6, 12, 9, 12), PAPER, ox)   # foot


MENU_GLYPHS = (glyph_show, glyph_hide, glyph_eject, glyph_close, glyph_shortcut,
               glyph_settings, glyph_palette, glyph_exit, glyph_about)


def make_menu():
    c = KeyCanvas(16 * len(MENU_GLYPHS), 16)
    for k, draw in enumerate(MENU_GLYPHS):
        cell = KeyCanvas(16, 16)
        draw(cell, 0)
        for j in range(16):
            c.px[j][16 * k:16 * k + 16] = cell.px[j]
    return bmp24(c.px)


# ---------------------------------------------------------------------------
# Splash strip
# ---------------------------------------------------------------------------

STRIP_QUALITY = 92

STRIP_STOPS = ((0.0, (232, 168, 20)),   # gold
               (0.5, (255, 255, 255)),  # white
               (1.0, (84, 164, 255)))   # sky blue


def strip_rows():
    w, h = 350, 5
    # Row brightness: a rounded bar, light in the middle row.
    shade = (0.72, 0.92, 1.0, 0.90, 0.66)
    rows = []
    for j in range(h):
        row = []
        for i in range(w):
            t = i / (w - 1)
            for (t0, c0), (t1, c1) in zip(STRIP_STOPS, STRIP_STOPS[1:]):
                if t <= t1:
                    u = (t - t0) / (t1 - t0)
                    u = u * u * (3 - 2 * u)  # smooth step
                    col = mix(c0, c1, u)
                    break
            row.append(tuple(int(round(v * shade[j])) for v in col))
        rows.append(row)
    return rows


def make_strip():
    return jpeg(strip_rows(), STRIP_QUALITY)


# ---------------------------------------------------------------------------

def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: make_art.py OUTPUT_DIR\n")
        return 2
    out = argv[1]
    os.makedirs(out, exist_ok=True)
    files = {
        "quelvo.ico": make_icon(),
        "options.ico": make_icon(options=True),
        "looks.ico": make_icon(looks=True),
        "mail.ico": make_mail_icon(),
        "menu.bmp": make_menu(),
        "strip.jpg": make_strip(),
        "logo.bmp": make_logo(),
    }
    for name, data in files.items():
        path = os.path.join(out, name)
        tmp = path + ".tmp"
        with open(tmp, "wb") as f:
            f.write(data)
        os.replace(tmp, path)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
