#!/usr/bin/env python3
"""Draws the program icon (64 x 64), the tray placeholder (16 x 16) and the installed icon in the
usual sizes of the icon theme (hicolor/<size>.png): a sun behind a cloud.

Run from anywhere: python3 resources/make_icons.py  (rewrites resources/*.png and hicolor/)."""
import math
import os
import struct
import zlib


def png(path, size, pixels):
    raw = b"".join(b"\0" + bytes(c for px in row for c in px) for row in pixels)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        f.write(chunk(b"IEND", b""))


def coverage(size, inside, samples=4):
    """Anti-aliased coverage of a shape given in unit coordinates (0..1)."""
    grid = []
    for y in range(size):
        row = []
        for x in range(size):
            hits = 0
            for sy in range(samples):
                for sx in range(samples):
                    u = (x + (sx + 0.5) / samples) / size
                    v = (y + (sy + 0.5) / samples) / size
                    hits += inside(u, v)
            row.append(hits / (samples * samples))
        grid.append(row)
    return grid


def sun(u, v):
    d = math.hypot(u - 0.40, v - 0.38)
    if d < 0.22:
        return True
    angle = math.atan2(v - 0.38, u - 0.40)
    ray = abs(math.sin(angle * 4)) > 0.85
    return ray and 0.27 < d < 0.36


def cloud(u, v):
    blobs = [(0.45, 0.68, 0.17), (0.65, 0.60, 0.20), (0.82, 0.72, 0.14), (0.30, 0.76, 0.12)]
    if any(math.hypot(u - x, v - y) < r for x, y, r in blobs):
        return True
    return 0.30 < u < 0.84 and 0.72 < v < 0.86


def draw(size):
    s = coverage(size, sun)
    c = coverage(size, cloud)
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            # Cloud over sun, straight (not premultiplied) alpha as PNG wants.
            ca, sa = c[y][x], s[y][x] * (1 - c[y][x])
            a = ca + sa
            if a <= 0:
                row.append((0, 0, 0, 0))
                continue
            r = (ca * 245 + sa * 255) / a
            g = (ca * 248 + sa * 176) / a
            b = (ca * 252 + sa * 32) / a
            row.append((round(r), round(g), round(b), round(a * 255)))
        rows.append(row)
    return rows


here = os.path.dirname(os.path.abspath(__file__))
png(os.path.join(here, "program.png"), 64, draw(64))
png(os.path.join(here, "tray.png"), 16, draw(16))
os.makedirs(os.path.join(here, "hicolor"), exist_ok=True)
for size in (16, 22, 24, 32, 48, 64, 128, 256):
    png(os.path.join(here, "hicolor", f"{size}.png"), size, draw(size))
