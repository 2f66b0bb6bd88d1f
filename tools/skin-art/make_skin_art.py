#!/usr/bin/python3
"""Draws the images of the shipped skins (data/Skin/...) and writes them as PNGs with alpha.

Every shape is drawn at SS times the final size and reduced with LANCZOS, so edges come out
smooth; Pillow reduces RGBA in premultiplied form, so no dark fringes appear.

Every image is drawn twice: name.png at 1x and name@2x.png at twice its size for screens at a
pixel ratio above 1. Sizes and positions in the drawing functions are final 1x pixels times
SS; the second pass doubles SS and finish() reduces to twice the size, so an image drawn like
the others (on canvas(), in units of SS, through finish() and save()) gets both forms.

    /usr/bin/python3 tools/skin-art/make_skin_art.py [SKIN_ROOT]

SKIN_ROOT defaults to data/Skin of this checkout. The output is deterministic for a given
Pillow and IPA font installation.
"""

import math
import os
import sys

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

SUPERSAMPLING = 4
K = 1  # the pass: 1 draws name.png, 2 draws name@2x.png at twice the size
SS = SUPERSAMPLING * K  # drawn pixels per final 1x pixel
FONT = "/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf"


# ---------------------------------------------------------------------------------------------
# helpers


def canvas(w, h):
    return Image.new("RGBA", (w * SS, h * SS), (0, 0, 0, 0))


def finish(img, w, h):
    """The drawing reduced to w x h final 1x pixels (twice that in the @2x pass)."""
    return img.resize((w * K, h * K), Image.LANCZOS)


def set_pass(k):
    global K, SS
    K = k
    SS = SUPERSAMPLING * k


def over(base, layer):
    return Image.alpha_composite(base, layer)


def mask_fill(size, mask, colour):
    """A layer of one colour shaped by an L mask."""
    layer = Image.new("RGBA", size, colour)
    alpha = ImageChops.multiply(mask, Image.new("L", size, colour[3] if len(colour) > 3 else 255))
    layer.putalpha(alpha)
    return layer


def vgradient(size, top, bottom, y0=0, y1=None):
    """A vertical gradient layer from colour top (at y0) to bottom (at y1)."""
    w, h = size
    y1 = h if y1 is None else y1
    grad = Image.new("RGBA", (1, h))
    for y in range(h):
        t = min(1.0, max(0.0, (y - y0) / max(1, y1 - y0)))
        grad.putpixel((0, y), tuple(round(a + (b - a) * t) for a, b in zip(top, bottom)))
    return grad.resize(size)


def radial(size, centre, radius, inner, outer):
    w, h = size
    img = Image.new("RGBA", size)
    px = img.load()
    cx, cy = centre
    for y in range(h):
        for x in range(w):
            t = min(1.0, math.hypot(x - cx, y - cy) / radius)
            px[x, y] = tuple(round(a + (b - a) * t) for a, b in zip(inner, outer))
    return img


def shaped(mask, fill_layer):
    out = fill_layer.copy()
    out.putalpha(ImageChops.multiply(mask, fill_layer.getchannel("A")))
    return out


def with_outline(mask, fill_layer, colour, width):
    """The shape filled with fill_layer over a copy grown by `width` supersampled pixels in
    the outline colour (an underlay rather than a ring, so no seam shows between the two)."""
    grown = mask.filter(ImageFilter.MaxFilter(width * 2 + 1))
    return over(mask_fill(mask.size, grown, colour), shaped(mask, fill_layer))


def ellipse_mask(size, boxes):
    m = Image.new("L", size, 0)
    d = ImageDraw.Draw(m)
    for b in boxes:
        d.ellipse(b, fill=255)
    return m


# ---------------------------------------------------------------------------------------------
# weather shapes, drawn into a square of side s (final pixels); positions in units of s


def cloud_mask(s, x, y, w, h):
    """A cloud whose bounding box is (x, y, w, h) in final pixels, as a supersampled mask."""
    S = s * SS
    m = Image.new("L", (S, S), 0)
    d = ImageDraw.Draw(m)
    k = SS

    def e(cx, cy, r):
        d.ellipse(((x + cx * w - r * h) * k, (y + cy * h - r * h) * k,
                   (x + cx * w + r * h) * k, (y + cy * h + r * h) * k), fill=255)

    e(0.30, 0.55, 0.30)   # left puff
    e(0.55, 0.40, 0.40)   # big top puff
    e(0.77, 0.60, 0.27)   # right puff
    base_top = (y + 0.55 * h) * k
    d.rounded_rectangle(((x + 0.10 * w) * k, base_top, (x + 0.92 * w) * k, (y + h) * k),
                        radius=0.28 * h * k, fill=255)
    return m


def draw_cloud(img, s, x, y, w, h, top, bottom, edge, edge_w):
    m = cloud_mask(s, x, y, w, h)
    fill = vgradient(img.size, top, bottom, int(y * SS), int((y + h) * SS))
    return over(img, with_outline(m, fill, edge, edge_w))


def sun(s, with_rays=True, core=None):
    img = canvas(s, s)
    S = s * SS
    c = S / 2
    if with_rays:
        rays = Image.new("L", (S, S), 0)
        d = ImageDraw.Draw(rays)
        for i in range(8):
            a = i * math.pi / 4 + math.pi / 8
            r0, r1 = S * 0.33, S * 0.47
            d.line((c + r0 * math.cos(a), c + r0 * math.sin(a),
                    c + r1 * math.cos(a), c + r1 * math.sin(a)),
                   fill=255, width=max(1, round(S * 0.075)))
            for r in (r0, r1):
                rr = S * 0.0375
                d.ellipse((c + r * math.cos(a) - rr, c + r * math.sin(a) - rr,
                           c + r * math.cos(a) + rr, c + r * math.sin(a) + rr), fill=255)
        img = over(img, mask_fill((S, S), rays, (255, 170, 40, 255)))
    r = S * (core or 0.25)
    m = ellipse_mask((S, S), [(c - r, c - r, c + r, c + r)])
    fill = radial((S, S), (c - r * 0.35, c - r * 0.35), r * 1.6, (255, 236, 120, 255),
                  (255, 150, 20, 255))
    img = over(img, with_outline(m, fill, (200, 100, 10, 255), max(1, SS // 2)))
    return img


def moon(s):
    img = canvas(s, s)
    S = s * SS
    c = S / 2
    r = S * 0.30
    disc = ellipse_mask((S, S), [(c - r, c - r, c + r, c + r)])
    cut = ellipse_mask((S, S), [(c - r + r * 0.62, c - r - r * 0.38, c + r + r * 0.62, c + r - r * 0.38)])
    m = ImageChops.subtract(disc, cut)
    fill = radial((S, S), (c - r * 0.6, c), r * 1.5, (255, 246, 190, 255), (240, 200, 80, 255))
    img = over(img, with_outline(m, fill, (150, 120, 40, 255), max(1, SS // 2)))
    # two small stars
    d = Image.new("L", (S, S), 0)
    dd = ImageDraw.Draw(d)
    for (sx, sy, sr) in ((0.76, 0.26, 0.07), (0.84, 0.50, 0.045)):
        x0, y0, rr = sx * S, sy * S, sr * S
        pts = []
        for i in range(8):
            a = i * math.pi / 4 - math.pi / 2
            rad = rr if i % 2 == 0 else rr * 0.38
            pts.append((x0 + rad * math.cos(a), y0 + rad * math.sin(a)))
        dd.polygon(pts, fill=255)
    img = over(img, with_outline(d, mask_fill((S, S), d, (255, 240, 170, 255)),
                                 (150, 120, 40, 200), max(1, SS // 2)))
    return img


CLOUD_TOP = (255, 255, 255, 255)
CLOUD_BOTTOM = (206, 218, 232, 255)
CLOUD_EDGE = (96, 112, 134, 255)
DARK_TOP = (220, 226, 236, 255)
DARK_BOTTOM = (150, 162, 180, 255)


def cloudy(s):
    img = canvas(s, s)
    # a second, greyer cloud behind gives depth
    img = draw_cloud(img, s, s * 0.40, s * 0.16, s * 0.56, s * 0.40, DARK_TOP, DARK_BOTTOM,
                     CLOUD_EDGE, max(1, SS // 2))
    img = draw_cloud(img, s, s * 0.04, s * 0.30, s * 0.84, s * 0.56, CLOUD_TOP, CLOUD_BOTTOM,
                     CLOUD_EDGE, max(1, SS // 2))
    return img


def drop_mask(S, cx, cy, r):
    """A rain drop (point up) centred at the bottom circle (cx, cy) with radius r."""
    m = Image.new("L", (S, S), 0)
    d = ImageDraw.Draw(m)
    d.ellipse((cx - r, cy - r, cx + r, cy + r), fill=255)
    d.polygon([(cx - r * 0.97, cy - r * 0.25), (cx + r * 0.97, cy - r * 0.25), (cx, cy - r * 2.6)],
              fill=255)
    return m


def rain(s):
    img = canvas(s, s)
    S = s * SS
    img = draw_cloud(img, s, s * 0.06, s * 0.06, s * 0.88, s * 0.56, DARK_TOP, DARK_BOTTOM,
                     CLOUD_EDGE, max(1, SS // 2))
    drops = Image.new("L", (S, S), 0)
    for (dx, dy) in ((0.28, 0.80), (0.52, 0.88), (0.76, 0.80)):
        drops = ImageChops.lighter(drops, drop_mask(S, dx * S, dy * S, S * 0.075))
    fill = vgradient((S, S), (120, 200, 255, 255), (30, 110, 230, 255), int(S * 0.6), S)
    img = over(img, with_outline(drops, fill, (20, 60, 140, 255), max(1, SS // 2)))
    return img


def flake_mask(S, cx, cy, r, width):
    m = Image.new("L", (S, S), 0)
    d = ImageDraw.Draw(m)
    for i in range(3):
        a = i * math.pi / 3 + math.pi / 2
        d.line((cx - r * math.cos(a), cy - r * math.sin(a), cx + r * math.cos(a), cy + r * math.sin(a)),
               fill=255, width=width)
        for sgn in (1, -1):
            bx, by = cx + sgn * r * 0.6 * math.cos(a), cy + sgn * r * 0.6 * math.sin(a)
            for da in (math.pi / 4, -math.pi / 4):
                ea = a + (0 if sgn > 0 else math.pi) + da
                d.line((bx, by, bx + r * 0.35 * math.cos(ea), by + r * 0.35 * math.sin(ea)),
                       fill=255, width=width)
    d.ellipse((cx - width, cy - width, cx + width, cy + width), fill=255)
    return m


def snow(s):
    img = canvas(s, s)
    S = s * SS
    img = draw_cloud(img, s, s * 0.06, s * 0.06, s * 0.88, s * 0.56, CLOUD_TOP, CLOUD_BOTTOM,
                     CLOUD_EDGE, max(1, SS // 2))
    flakes = Image.new("L", (S, S), 0)
    w = max(2, round(S * 0.035))
    for (fx, fy, fr) in ((0.30, 0.80, 0.13), (0.70, 0.82, 0.13)):
        flakes = ImageChops.lighter(flakes, flake_mask(S, fx * S, fy * S, fr * S, w))
    fill = Image.new("RGBA", (S, S), (255, 255, 255, 255))
    img = over(img, with_outline(flakes, fill, (40, 110, 200, 255), max(1, SS // 2 + 1)))
    return img


def fog(s):
    """Mist: a pale cloud above three soft bands that drift across the lower half."""
    img = canvas(s, s)
    S = s * SS
    img = draw_cloud(img, s, s * 0.10, s * 0.04, s * 0.80, s * 0.50, CLOUD_TOP, CLOUD_BOTTOM,
                     CLOUD_EDGE, max(1, SS // 2))
    bands = Image.new("L", (S, S), 0)
    d = ImageDraw.Draw(bands)
    w = S * 0.09
    for (x0, x1, y) in ((0.08, 0.76, 0.62), (0.22, 0.92, 0.76), (0.04, 0.70, 0.90)):
        d.rounded_rectangle((x0 * S, y * S - w / 2, x1 * S, y * S + w / 2), radius=w / 2, fill=255)
    fill = vgradient((S, S), (244, 247, 251, 255), (196, 206, 220, 255), int(S * 0.55), S)
    img = over(img, with_outline(bands, fill, CLOUD_EDGE, max(1, SS // 2)))
    return img


def text_mask(S, text, size, centre, bold=0):
    m = Image.new("L", (S, S), 0)
    d = ImageDraw.Draw(m)
    font = ImageFont.truetype(FONT, size)
    d.text(centre, text, font=font, fill=255, anchor="mm", stroke_width=bold, stroke_fill=255)
    return m


def unknown(s, opacity=150):
    """No matching weather: a question mark in a translucent disc, quiet enough that a widget
    full of them (no data yet) does not shout."""
    img = canvas(s, s)
    S = s * SS
    c = S / 2
    r = S * 0.34
    disc = ellipse_mask((S, S), [(c - r, c - r, c + r, c + r)])
    fill = vgradient((S, S), (160, 172, 188, opacity), (120, 132, 148, opacity), int(c - r), int(c + r))
    img = over(img, with_outline(disc, fill, (200, 210, 222, 170), max(1, SS // 2)))
    q = text_mask(S, "?", int(S * 0.48), (c, c + S * 0.02), bold=max(1, S // 64))
    img = over(img, mask_fill((S, S), q, (255, 255, 255, 235)))
    return img


def connector(w, h, kind, colour, edge):
    """The sign between the two images of a composite icon: an arrow or a slash."""
    img = canvas(w, h)
    W, H = w * SS, h * SS
    m = Image.new("L", (W, H), 0)
    d = ImageDraw.Draw(m)
    lw = max(2, round(H * 0.16))
    if kind == "after":
        y = H / 2
        d.line((W * 0.12, y, W * 0.78, y), fill=255, width=lw)
        d.polygon([(W * 0.92, y), (W * 0.58, y - H * 0.36), (W * 0.58, y + H * 0.36)], fill=255)
        d.ellipse((W * 0.12 - lw / 2, y - lw / 2, W * 0.12 + lw / 2, y + lw / 2), fill=255)
    else:
        x0, y0, x1, y1 = W * 0.70, H * 0.08, W * 0.30, H * 0.92
        d.line((x0, y0, x1, y1), fill=255, width=lw)
        for (x, y) in ((x0, y0), (x1, y1)):
            d.ellipse((x - lw / 2, y - lw / 2, x + lw / 2, y + lw / 2), fill=255)
    layer = with_outline(m, Image.new("RGBA", (W, H), colour), edge, max(1, SS // 2 + 1))
    return finish(over(img, layer), w, h)


# ---------------------------------------------------------------------------------------------
# tray images: drawn for 16 x 16 (bold shapes, dark outlines, no fine detail)


def tray(kind):
    s = 16
    S = s * SS
    img = canvas(s, s)
    edge_w = SS  # one final pixel of outline
    if kind == "fine":
        img = sun(s, with_rays=True, core=0.27)
    elif kind in ("cloudy", "rain", "snow"):
        dark = kind == "rain"
        m = cloud_mask(s, 0.5, 2.5 if kind == "cloudy" else 0.5, 15, {"cloudy": 11, "rain": 8.5}.get(kind, 7.5))
        fill = vgradient((S, S), DARK_TOP if dark else CLOUD_TOP, DARK_BOTTOM if dark else CLOUD_BOTTOM)
        img = over(img, with_outline(m, fill, (60, 70, 90, 255), edge_w))
        if kind == "rain":
            drops = Image.new("L", (S, S), 0)
            for dx in (4.5, 11.0):
                drops = ImageChops.lighter(drops, drop_mask(S, dx * SS, 12.6 * SS, 1.9 * SS))
            img = over(img, with_outline(drops, Image.new("RGBA", (S, S), (40, 140, 255, 255)),
                                         (10, 40, 120, 255), SS // 2))
        if kind == "snow":
            fl = Image.new("L", (S, S), 0)
            d = ImageDraw.Draw(fl)
            cx, cy, r = 8 * SS, 11.9 * SS, 3.8 * SS
            for i in range(3):
                a = i * math.pi / 3 + math.pi / 2
                d.line((cx - r * math.cos(a), cy - r * math.sin(a), cx + r * math.cos(a),
                        cy + r * math.sin(a)), fill=255, width=round(SS * 1.7))
            img = over(img, with_outline(fl, Image.new("RGBA", (S, S), (40, 120, 240, 255)),
                                         (255, 255, 255, 255), SS // 2))
    elif kind == "fog":
        m = cloud_mask(s, 0.5, 0.3, 15, 7.2)
        img = over(img, with_outline(m, vgradient((S, S), CLOUD_TOP, CLOUD_BOTTOM), (60, 70, 90, 255),
                                     edge_w))
        bands = Image.new("L", (S, S), 0)
        d = ImageDraw.Draw(bands)
        for (x0, x1, y) in ((1.0, 12.0, 10.4), (4.0, 15.0, 13.6)):
            d.rounded_rectangle((x0 * SS, (y - 1.0) * SS, x1 * SS, (y + 1.0) * SS), radius=SS,
                                fill=255)
        img = over(img, with_outline(bands, Image.new("RGBA", (S, S), (236, 240, 246, 255)),
                                     (60, 70, 90, 255), SS // 2))
    elif kind == "na":
        c, r = S / 2, S * 0.46
        disc = ellipse_mask((S, S), [(c - r, c - r, c + r, c + r)])
        img = over(img, with_outline(disc, Image.new("RGBA", (S, S), (130, 142, 158, 255)),
                                     (60, 70, 86, 255), SS // 2))
        q = text_mask(S, "?", int(S * 0.78), (c, c + S * 0.03), bold=SS // 2)
        img = over(img, mask_fill((S, S), q, (255, 255, 255, 255)))
    elif kind == "error":
        c, r = S / 2, S * 0.45
        disc = ellipse_mask((S, S), [(c - r, c - r, c + r, c + r)])
        img = over(img, with_outline(disc, Image.new("RGBA", (S, S), (220, 40, 40, 255)),
                                     (120, 0, 0, 255), SS // 2))
        x = Image.new("L", (S, S), 0)
        d = ImageDraw.Draw(x)
        k = S * 0.22
        d.line((c - k, c - k, c + k, c + k), fill=255, width=round(SS * 2.2))
        d.line((c - k, c + k, c + k, c - k), fill=255, width=round(SS * 2.2))
        img = over(img, mask_fill((S, S), x, (255, 255, 255, 255)))
        return finish(img, s, s)
    return finish(img, s, s)


# ---------------------------------------------------------------------------------------------
# panels


def panel(w, h, box, radius, fill_top, fill_bottom, border, highlight, shadow_alpha, shadow_dy=3,
          shadow_blur=5):
    """A rounded panel at box (final pixels) with a soft drop shadow, on a transparent w x h."""
    W, H = w * SS, h * SS
    x0, y0, x1, y1 = (v * SS for v in box)
    shape = Image.new("L", (W, H), 0)
    ImageDraw.Draw(shape).rounded_rectangle((x0, y0, x1 - 1, y1 - 1), radius=radius * SS, fill=255)

    shadow = Image.new("L", (W, H), 0)
    shadow.paste(shape, (0, shadow_dy * SS))
    shadow = shadow.filter(ImageFilter.GaussianBlur(shadow_blur * SS))
    img = mask_fill((W, H), shadow, (0, 0, 0, shadow_alpha))

    body = shaped(shape, vgradient((W, H), fill_top, fill_bottom, y0, y1))
    img = over(img, body)
    inner = shape.filter(ImageFilter.MinFilter(2 * SS + 1))
    ring = ImageChops.subtract(shape, inner)
    img = over(img, mask_fill((W, H), ring, border))
    # a light line along the top edge, as if lit from above
    top = Image.new("L", (W, H), 0)
    ImageDraw.Draw(top).rounded_rectangle((x0 + SS, y0 + SS, x1 - 1 - SS, y1 - 1 - SS),
                                          radius=(radius - 1) * SS, outline=255, width=SS)
    top = ImageChops.multiply(top, vgradient((W, H), (255,) * 4, (0,) * 4, y0, y0 + 14 * SS).getchannel("A"))
    img = over(img, mask_fill((W, H), top, highlight))
    return finish(img, w, h)


def splitter(w, h, lines, colour, headings=()):
    """Thin separator lines, each (x0, y0, x1, y1) in final pixels, fading out at both ends, and
    fixed headings, each (text, centre x, centre y, size, colour) in final pixels."""
    W, H = w * SS, h * SS
    img = Image.new("RGBA", (W, H), (0, 0, 0, 0))
    for (text, cx, cy, size, text_colour) in headings:
        m = Image.new("L", (W, H), 0)
        ImageDraw.Draw(m).text((cx * SS, cy * SS), text, font=ImageFont.truetype(FONT, size * SS),
                               fill=255, anchor="mm")
        img = over(img, mask_fill((W, H), m, text_colour))
    for (x0, y0, x1, y1) in lines:
        m = Image.new("L", (W, H), 0)
        ImageDraw.Draw(m).line((x0 * SS, y0 * SS, x1 * SS, y1 * SS), fill=255, width=SS)
        horizontal = y0 == y1
        length = (x1 - x0) if horizontal else (y1 - y0)
        fade = Image.new("L", (256, 1))
        for i in range(256):
            t = i / 255
            fade.putpixel((i, 0), round(255 * min(1.0, t / 0.12, (1 - t) / 0.12)))
        if horizontal:
            f = Image.new("L", (W, H), 0)
            f.paste(fade.resize((length * SS, H)), (x0 * SS, 0))
        else:
            f = Image.new("L", (W, H), 0)
            f.paste(fade.resize((length * SS, W)).transpose(Image.TRANSPOSE), (0, y0 * SS))
        img = over(img, mask_fill((W, H), ImageChops.multiply(m, f), colour))
    return finish(img, w, h)


# ---------------------------------------------------------------------------------------------
# the skins


def weather_set(folder, s, conn_colour, conn_edge, na_opacity=150):
    os.makedirs(folder, exist_ok=True)
    shapes = {"fine": sun(s), "night": moon(s), "cloudy": cloudy(s), "rain": rain(s),
              "snow": snow(s), "fog": fog(s), "na": unknown(s, na_opacity)}
    for name, img in shapes.items():
        save(finish(img, s, s), os.path.join(folder, name + ".png"))
    # Both fit the free corner above the second image of a composite (ConnectorPos).
    save(connector(round(s * 0.56), round(s * 0.375), "after", conn_colour, conn_edge),
         os.path.join(folder, "after.png"))
    save(connector(round(s * 0.32), round(s * 0.44), "occas", conn_colour, conn_edge),
         os.path.join(folder, "occas.png"))


def tray_set(folder):
    os.makedirs(folder, exist_ok=True)
    for kind in ("fine", "cloudy", "rain", "snow", "na", "error", "fog"):
        save(tray(kind), os.path.join(folder, "tray_" + kind + ".png"))


# warning badges: the tier's word in a pill of the agency's colour for the tier, with a white
# inner rim and a dark outer one, so that the pill stands out on a dark panel and a light one
# alike (a black 特別警報 on the dark skins' navy by its white rim, a yellow 注意報 on the light
# panel by its dark one)

TIERS = {
    # tier: (word, pill colour, word colour)
    "advisory": ("注意報", (242, 231, 0, 255), (30, 26, 0, 255)),
    "warning": ("警報", (255, 40, 0, 255), (255, 255, 255, 255)),
    "danger": ("危険警報", (170, 0, 170, 255), (255, 255, 255, 255)),
    "emergency": ("特別警報", (12, 0, 12, 255), (255, 255, 255, 255)),
}
BADGE_W, BADGE_H = 48, 16
BADGE_EDGE = (24, 24, 32, 235)


def warning_badge(tier):
    word, fill, ink = TIERS[tier]
    w, h = BADGE_W, BADGE_H
    img = canvas(w, h)
    W, H = w * SS, h * SS
    rim = SS  # each ring one final pixel wide
    outer = Image.new("L", (W, H), 0)
    ImageDraw.Draw(outer).rounded_rectangle((0, 0, W - 1, H - 1), radius=H / 2, fill=255)
    white = Image.new("L", (W, H), 0)
    ImageDraw.Draw(white).rounded_rectangle((rim, rim, W - 1 - rim, H - 1 - rim),
                                            radius=H / 2 - rim, fill=255)
    inner = Image.new("L", (W, H), 0)
    ImageDraw.Draw(inner).rounded_rectangle((2 * rim, 2 * rim, W - 1 - 2 * rim, H - 1 - 2 * rim),
                                            radius=H / 2 - 2 * rim, fill=255)
    img = over(img, mask_fill((W, H), outer, BADGE_EDGE))
    img = over(img, mask_fill((W, H), white, (255, 255, 255, 255)))
    img = over(img, mask_fill((W, H), inner, fill))
    m = Image.new("L", (W, H), 0)
    size = int(H * (0.56 if len(word) > 3 else 0.62))
    font = ImageFont.truetype(FONT, size)
    ImageDraw.Draw(m).text((W / 2, H / 2 + SS * 0.4), word, font=font, fill=255, anchor="mm",
                           stroke_width=max(0, SS // 6), stroke_fill=255)
    img = over(img, mask_fill((W, H), m, ink))
    return finish(img, w, h)


def warning_set(folder):
    for tier in TIERS:
        save(warning_badge(tier), os.path.join(folder, "warn_%s.png" % tier))


def save(img, path):
    if K != 1:
        stem, ext = os.path.splitext(path)
        path = "%s@%dx%s" % (stem, K, ext)
    img.save(path, optimize=True)
    print("wrote", path)


DARK = dict(fill_top=(38, 50, 68, 214), fill_bottom=(20, 26, 38, 226), border=(255, 255, 255, 40),
            highlight=(255, 255, 255, 70), shadow_alpha=150)
LIGHT = dict(fill_top=(252, 253, 255, 232), fill_bottom=(232, 238, 246, 232),
             border=(90, 110, 140, 90), highlight=(255, 255, 255, 255), shadow_alpha=110)


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "..", "data", "Skin")
    root = os.path.normpath(root)
    for k in (1, 2):
        set_pass(k)
        draw_skins(root)


def band_headings(left, width, y, colour, size=9):
    """The six-hour bands of the day's probability of precipitation, over four columns."""
    return [(text, left + width * i + width / 2, y, size, colour)
            for i, text in enumerate(("0-6", "6-12", "12-18", "18-24"))]


def draw_skins(root):
    simple = os.path.join(root, "Simple")
    weather_set(os.path.join(simple, "img"), 32, (255, 255, 255, 255), (30, 40, 56, 200))
    tray_set(os.path.join(simple, "img"))
    warning_set(os.path.join(simple, "img"))

    # small.ini: 440 x 312; under the header the warnings row (34-50) and the rain of the next hour
    # (52-68), then today/tomorrow and the 3-hour block (the date of a new day over its hour), the
    # week with its 信頼度, and the bottom line for the status line (InformationLabel)
    dim = (200, 210, 220, 200)
    save(panel(440, 312, (6, 4, 434, 304), 12, **DARK), os.path.join(simple, "img", "bg_small.png"))
    # The vertical line parts today/tomorrow (room for four "100%" apart) from the 3-hour block.
    save(splitter(440, 312, [(16, 31, 424, 31), (16, 184, 424, 184), (179, 72, 179, 180)],
                  (255, 255, 255, 70),
                  band_headings(60, 29, 107, dim) + band_headings(60, 29, 163, dim) +
                  # the week's figures, each word in the colour of its figures
                  [("最高", 318, 291, 10, (255, 150, 120, 230)), ("/", 332, 291, 10, dim),
                   ("最低", 346, 291, 10, (130, 190, 255, 230)), ("℃", 363, 291, 10, dim),
                   ("降水確率 %", 400, 291, 10, (160, 240, 240, 220))]),
         os.path.join(simple, "img", "split_small.png"))

    # compact.ini: 264 x 253; two header lines (place, the observation and the temperature; the
    # report time), the warnings row (39-55), the rain of the next hour (57-71), today and
    # tomorrow, five 3-hour slots under the date of a new day, the status
    save(panel(264, 253, (6, 4, 258, 245), 12, **DARK), os.path.join(simple, "img", "bg_compact.png"))
    save(splitter(264, 253, [(16, 36, 248, 36), (16, 158, 248, 158), (132, 76, 132, 154)],
                  (255, 255, 255, 70), band_headings(14, 29, 136, dim) + band_headings(136, 29, 136, dim)),
         os.path.join(simple, "img", "split_compact.png"))

    glass = os.path.join(root, "Glass")
    weather_set(os.path.join(glass, "img"), 32, (70, 90, 120, 255), (255, 255, 255, 220), 230)
    tray_set(os.path.join(glass, "img"))
    warning_set(os.path.join(glass, "img"))
    # column.ini: 216 x 534; the place and temperature, the badge beside the observation, the
    # warnings' names on a line of their own, the rain of the next hour, then the forecast (each day
    # with the agency's words and wind under it)
    ink = (90, 100, 116, 230)
    save(panel(216, 534, (6, 4, 210, 526), 14, **LIGHT), os.path.join(glass, "img", "bg_column.png"))
    save(splitter(216, 534, [(16, 65, 200, 65), (16, 98, 200, 98), (16, 272, 200, 272),
                             (16, 501, 200, 501)],
                  (60, 80, 110, 90),
                  band_headings(62, 35, 139, ink) + band_headings(62, 35, 223, ink) +
                  [("最高", 115, 281, 9, (210, 70, 50, 230)), ("/", 129, 281, 9, ink),
                   ("最低", 143, 281, 9, (40, 100, 200, 230)), ("降水", 188, 281, 9, (20, 130, 150, 230))]),
         os.path.join(glass, "img", "split_column.png"))


if __name__ == "__main__":
    main()
