#!/usr/bin/env python3
"""Draws the program icon (64 x 64), the tray placeholder (16 x 16) and the installed icon in the
usual sizes of the icon theme (hicolor/<size>.png): a sun behind a cloud.

Both shapes carry a dark outline and a light fill, so the icon stands out on a light panel (the
outline) and on a dark one (the fill). The outline is at least one pixel wide at every size.

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


# Signed distances in unit coordinates (0..1): negative inside, positive outside.

SUN = (0.38, 0.37, 0.18)  # centre and radius of the disc
# Below 32 pixels rays would blur into the disc: a larger disc without them.
SMALL_SUN = (0.36, 0.36, 0.23)


def sun_disc(u, v, sun):
    x, y, r = sun
    return math.hypot(u - x, v - y) - r


def sun_rays(u, v, width):
    """Eight short rays around the disc, each `width` wide."""
    x, y, _ = SUN
    d = math.hypot(u - x, v - y)
    if not 0.26 < d < 0.37:
        return 1.0
    angle = math.atan2(v - y, u - x)
    nearest = round(angle / (math.pi / 4)) * (math.pi / 4)
    # Distance from the ray's centre line.
    return abs(d * math.sin(angle - nearest)) - width / 2


CLOUD_BLOBS = [(0.44, 0.66, 0.15), (0.64, 0.57, 0.18), (0.81, 0.70, 0.13), (0.28, 0.75, 0.10)]
CLOUD_BASE = (0.28, 0.70, 0.84, 0.85)  # left, top, right, bottom of the flat base


def cloud(u, v):
    d = min(math.hypot(u - x, v - y) - r for x, y, r in CLOUD_BLOBS)
    left, top, right, bottom = CLOUD_BASE
    dx = max(left - u, u - right)
    dy = max(top - v, v - bottom)
    box = math.hypot(max(dx, 0), max(dy, 0)) + min(max(dx, dy), 0)
    return min(d, box)


SUN_LINE = (176, 82, 0)
SUN_FILL = (255, 190, 40)
CLOUD_LINE = (40, 52, 68)
CLOUD_TOP = (255, 255, 255)
CLOUD_BOTTOM = (206, 218, 232)


def sample(u, v, line, small):
    """Straight colour and alpha of one point: the sun, then the cloud over it. Each outline lies
    outside its shape, where the distance to a union of shapes is exact."""
    colour, alpha = (0, 0, 0), 0.0
    if not small and sun_rays(u, v, 1.6 * line) < 0:
        colour, alpha = SUN_LINE, 1.0
    d = sun_disc(u, v, SMALL_SUN if small else SUN)
    if d < line:
        colour, alpha = (SUN_FILL if d < 0 else SUN_LINE), 1.0
    d = cloud(u, v)
    if d < line:
        if d < 0:
            t = min(max((v - 0.45) / 0.40, 0.0), 1.0)
            colour = tuple(a + (b - a) * t for a, b in zip(CLOUD_TOP, CLOUD_BOTTOM))
        else:
            colour = CLOUD_LINE
        alpha = 1.0
    return colour, alpha


def draw(size):
    # One pixel of outline at the smallest sizes, a little over 1/30 of the icon at large ones.
    line = max(1.15 / size, 0.034)
    samples = 6 if size <= 64 else 4
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            r = g = b = a = 0.0
            for sy in range(samples):
                for sx in range(samples):
                    u = (x + (sx + 0.5) / samples) / size
                    v = (y + (sy + 0.5) / samples) / size
                    colour, alpha = sample(u, v, line, size < 32)
                    r += colour[0] * alpha
                    g += colour[1] * alpha
                    b += colour[2] * alpha
                    a += alpha
            if a == 0:
                row.append((0, 0, 0, 0))
                continue
            # Straight (not premultiplied) alpha, as PNG wants it.
            row.append((round(r / a), round(g / a), round(b / a), round(a * 255 / samples**2)))
        rows.append(row)
    return rows


here = os.path.dirname(os.path.abspath(__file__))
png(os.path.join(here, "program.png"), 64, draw(64))
png(os.path.join(here, "tray.png"), 16, draw(16))
os.makedirs(os.path.join(here, "hicolor"), exist_ok=True)
for size in (16, 22, 24, 32, 48, 64, 128, 256):
    png(os.path.join(here, "hicolor", f"{size}.png"), size, draw(size))
