#!/usr/bin/env python3
"""Draws Corvix's icons and writes them as .ico files (they are committed):
  src/app/corvix.ico       the program's camera, 16 to 256 pixels;
  src/dialogs/tools.ico    the options page's crossed wrench and screwdriver, 24 pixels.
Run it again after changing a drawing.
"""
import math
import struct
import zlib

SIZES = [16, 20, 24, 32, 40, 48, 64, 256]
SUPERSAMPLE = 4


def rounded_box(x, y, x0, y0, x1, y1, r):
    """Signed distance to a rounded rectangle (negative inside)."""
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    hx, hy = (x1 - x0) / 2 - r, (y1 - y0) / 2 - r
    dx, dy = abs(x - cx) - hx, abs(y - cy) - hy
    outside = math.hypot(max(dx, 0), max(dy, 0))
    return outside + min(max(dx, dy), 0) - r


def circle(x, y, cx, cy, r):
    return math.hypot(x - cx, y - cy) - r


def capsule(x, y, ax, ay, bx, by, r):
    """Signed distance to a segment from (ax, ay) to (bx, by) with round ends of radius r."""
    px, py, dx, dy = x - ax, y - ay, bx - ax, by - ay
    t = max(0.0, min(1.0, (px * dx + py * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - dx * t, py - dy * t) - r


ERASE = None  # a layer that cuts its shape out of what lies below

TOOLS = [
    (lambda x, y: capsule(x, y, 0.22, 0.80, 0.70, 0.32, 0.075), (0x8A, 0x94, 0x9E, 255)),  # wrench handle
    (lambda x, y: circle(x, y, 0.74, 0.26, 0.17), (0x8A, 0x94, 0x9E, 255)),                # wrench head
    (lambda x, y: capsule(x, y, 0.83, 0.17, 0.95, 0.05, 0.075), ERASE),                     # its jaw
    (lambda x, y: capsule(x, y, 0.20, 0.20, 0.58, 0.58, 0.04), (0xC8, 0xD0, 0xD8, 255)),   # screwdriver shaft
    (lambda x, y: capsule(x, y, 0.60, 0.60, 0.84, 0.84, 0.11), (0xD8, 0x20, 0x20, 255)),   # red handle
]

# Layers, painted in order; coordinates on a 0..1 square. Each: (distance function, RGBA).
LAYERS = [
    (lambda x, y: rounded_box(x, y, 0.30, 0.14, 0.56, 0.30, 0.04), (0x2B, 0x3A, 0x4A, 255)),  # finder
    (lambda x, y: rounded_box(x, y, 0.05, 0.24, 0.95, 0.86, 0.10), (0x2B, 0x3A, 0x4A, 255)),  # body
    (lambda x, y: rounded_box(x, y, 0.10, 0.29, 0.90, 0.38, 0.03), (0x4A, 0x5D, 0x70, 255)),  # band
    (lambda x, y: circle(x, y, 0.50, 0.57, 0.25), (0xE8, 0xEE, 0xF2, 255)),                   # lens ring
    (lambda x, y: circle(x, y, 0.50, 0.57, 0.19), (0x00, 0x80, 0xC0, 255)),                   # glass
    (lambda x, y: circle(x, y, 0.50, 0.57, 0.09), (0x0A, 0x2A, 0x4A, 255)),                   # pupil
    (lambda x, y: circle(x, y, 0.43, 0.50, 0.045), (0xFF, 0xFF, 0xFF, 230)),                  # glint
    (lambda x, y: circle(x, y, 0.81, 0.335, 0.045), (0xE0, 0x30, 0x30, 255)),                 # lamp
]


def render(size, layers=None):
    """Returns rows top-down of (r, g, b, a) tuples, anti-aliased by supersampling."""
    rows = []
    n = SUPERSAMPLE
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(n):
                for sx in range(n):
                    x = (px + (sx + 0.5) / n) / size
                    y = (py + (sy + 0.5) / n) / size
                    r = g = b = a = 0.0
                    for shape, colour in layers or LAYERS:
                        if shape(x, y) > 0:
                            continue
                        if colour is ERASE:
                            r = g = b = a = 0.0
                        else:
                            cr, cg, cb, ca = colour
                            k = ca / 255
                            r, g, b = r * (1 - k) + cr * k, g * (1 - k) + cg * k, b * (1 - k) + cb * k
                            a = a + (1 - a) * k
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            count = n * n
            alpha = acc[3] / count
            if alpha > 0:
                pixel = tuple(round(c / acc[3]) for c in acc[:3]) + (round(alpha * 255),)
            else:
                pixel = (0, 0, 0, 0)
            row.append(pixel)
        rows.append(row)
    return rows


def dib(size, rows):
    """A 32-bit ICO image: BITMAPINFOHEADER (double height), BGRA rows bottom-up, AND mask."""
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + pixels + bytes(mask)


def png(size, rows):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    raw = b"".join(b"\0" + bytes(c for p in row for c in p) for row in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def write_ico(out, sizes, layers):
    images = [(s, png(s, render(s, layers)) if s >= 256 else dib(s, render(s, layers))) for s in sizes]
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, blob in images:
        dim = 0 if size >= 256 else size
        data += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    data += b"".join(blob for _, blob in images)
    with open(out, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    write_ico("src/app/corvix.ico", SIZES, LAYERS)
    write_ico("src/dialogs/tools.ico", [24], TOOLS)
