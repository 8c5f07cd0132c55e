#!/usr/bin/env python3
"""Draws the two pictures of the wizard's welcome page and writes them as GIF89a
files with a 256-colour palette and one LZW-coded frame:

  welcome.gif  165 x 315  the left banner: a deep blue-to-teal field with a fading
                          filter mesh, a few particles held back above a soft wave,
                          and a glow where the logo sits
  logo.gif     110 x 132  the product's shield carrying a funnel, drawn over the
                          banner; one palette entry is transparent

  welcome_2x.gif, logo_2x.gif  the same at twice the size (330 x 630, 220 x 264), for
                          display scales above 100 %, with fewer colours, as their
                          LZW data grows with the area

The logo goes over the banner at left 27, top 163, so its antialiased edge is
blended with the banner's own pixels there and the rest is transparent.

Only integer maths and exactly rounded float operations (+ - * / sqrt) are used,
no library sine or power, and no time or randomness, so the same input always
gives the same bytes on any machine.

usage: make_pictures.py <output folder>"""
import math
import os
import struct
import sys

BANNER_SIZE = (165, 315)
LOGO_SIZE = (110, 132)
LOGO_AT = (27, 163)  # where the wizard places the logo over the banner

BANNER_TOP = (0x0E, 0x2C, 0x5E)
BANNER_BOTTOM = (0x0A, 0x6F, 0x7C)
MESH_COLOUR = (0x9F, 0xD8, 0xF0)
WAVE_COLOUR = (0xC8, 0xEE, 0xFF)
GLOW_COLOUR = (0x3F, 0xB5, 0xC8)
PARTICLE_COLOURS = ((0xF2, 0x8C, 0x5A), (0xE8, 0x5D, 0x6A), (0xF5, 0xC2, 0x5B))

SHIELD_TOP = (0x2F, 0x78, 0xE0)
SHIELD_BOTTOM = (0x12, 0xAE, 0xA0)
SHIELD_RIM = (0xEC, 0xF4, 0xFF)
SHIELD_EDGE = (0x12, 0x35, 0x68)
FUNNEL_COLOUR = (0xFF, 0xFF, 0xFF)
DROP_COLOUR = (0xD8, 0xF6, 0xFF)

LOGO_SUPERSAMPLE = 4


def mix(a, b, t):
    return tuple(x + (y - x) * t for x, y in zip(a, b))


def clamp01(t):
    return 0.0 if t < 0.0 else 1.0 if t > 1.0 else t


def length(x, y):
    return math.sqrt(x * x + y * y)


def sine(x):
    """sin(x) from its Taylor series after reduction to [-pi, pi]: plain arithmetic only."""
    turns = math.floor(x / (2.0 * math.pi) + 0.5)
    x -= turns * 2.0 * math.pi
    term, total = x, x
    for n in range(1, 10):
        term *= -x * x / ((2 * n) * (2 * n + 1))
        total += term
    return total


def smoothstep(edge0, edge1, x):
    t = clamp01((x - edge0) / (edge1 - edge0))
    return t * t * (3.0 - 2.0 * t)


# --- the banner ---------------------------------------------------------------

def hex_edge_distance(x, y, cell):
    """Distance in pixels from (x, y) to the nearest edge of a honeycomb of |cell| pixels."""
    u, v = x / cell, y / cell
    rx, ry = 1.0, math.sqrt(3.0)
    ax, ay = u % rx - rx / 2, v % ry - ry / 2
    bx, by = (u - rx / 2) % rx - rx / 2, (v - ry / 2) % ry - ry / 2
    gx, gy = (ax, ay) if ax * ax + ay * ay < bx * bx + by * by else (bx, by)
    gx, gy = abs(gx), abs(gy)
    d = max(gx * 0.5 + gy * (math.sqrt(3.0) / 2), gx)
    return (0.5 - d) * cell


def wave_y(x, phase, amplitude):
    return 132.0 + amplitude * sine(x / 165.0 * 2.0 * math.pi * 0.9 + phase)


def particles():
    """Small dots above the wave, at fixed places from a tiny linear congruential sequence."""
    state = 20261209
    dots = []
    for i in range(16):
        state = (state * 1103515245 + 12345) % 2147483648
        x = 8 + state % 150
        state = (state * 1103515245 + 12345) % 2147483648
        y = 18 + state % 100
        state = (state * 1103515245 + 12345) % 2147483648
        radius = 1.2 + (state % 100) / 100.0 * 1.6
        dots.append((x, y, radius, PARTICLE_COLOURS[i % 3]))
    return dots


PARTICLES = particles()
BANNER_COLOURS = 24
BANNER_ACCENTS = 8
LOGO_COLOURS = 32  # the transparent entry included
LOGO_ACCENTS = 6
# The pictures at twice the size: (colours, accents) of the banner and of the logo.
BANNER_2X_COLOURS = (16, 6)
LOGO_2X_COLOURS = (24, 6)


def edges(lo, hi, scale):
    """A soft edge from |lo| to |hi| (banner pixels) as drawn at |scale|: the same
    middle, narrower by the scale, so that a larger picture is as crisp."""
    if scale == 1:
        return lo, hi
    mid, half = (lo + hi) / 2, (hi - lo) / 2 / scale
    return mid - half, mid + half


def banner_pixel(x, y, scale=1):
    px, py = (x + 0.5) / scale, (y + 0.5) / scale
    w, h = BANNER_SIZE
    colour = mix(BANNER_TOP, BANNER_BOTTOM, py / h)
    # A soft light falling from the upper left.
    colour = mix(colour, (0x3A, 0x7F, 0xC8), 0.22 * clamp01(1.0 - length(px, py) / 260.0))
    # The glow behind the logo.
    cx, cy = LOGO_AT[0] + LOGO_SIZE[0] / 2, LOGO_AT[1] + LOGO_SIZE[1] / 2
    glow = clamp01(1.0 - length(px - cx, (py - cy) * 0.85) / 95.0)
    colour = mix(colour, GLOW_COLOUR, 0.45 * glow * glow)
    # The filter mesh, strongest at the top and gone before the logo.
    fade = 1.0 - smoothstep(20.0, 150.0, py)
    if fade > 0.0:
        lo, hi = edges(0.0, 1.1, scale)
        line = 1.0 - smoothstep(lo, hi, hex_edge_distance(px + 3.0, py + 5.0, 17.0))
        colour = mix(colour, MESH_COLOUR, 0.20 * fade * line)
    # Two thin waves: the filter's surface.
    lo, hi = edges(0.3, 1.4, scale)
    for phase, amplitude, strength in ((0.0, 7.0, 0.55), (1.3, 5.0, 0.30)):
        dist = abs(py - wave_y(px, phase, amplitude))
        colour = mix(colour, WAVE_COLOUR, strength * (1.0 - smoothstep(lo, hi, dist)))
    # The particles the filter holds back.
    for dx, dy, radius, dot in PARTICLES:
        dist = length(px - dx, py - dy)
        if dist < radius + 1.0:
            lo, hi = edges(radius - 0.7, radius + 0.7, scale)
            colour = mix(colour, dot, 0.75 * (1.0 - smoothstep(lo, hi, dist)))
    # A slightly darker column along the right edge, next to the white panel.
    if x // scale == w - 1:
        colour = mix(colour, (0, 0, 0), 0.18)
    return tuple(int(c + 0.5) for c in colour)


def draw_banner(scale=1):
    w, h = BANNER_SIZE
    return [[banner_pixel(x, y, scale) for x in range(w * scale)] for y in range(h * scale)]


# --- the logo -----------------------------------------------------------------

def in_shield(u, v, inset):
    """The shield in logo pixels, shrunk by |inset| pixels."""
    w, h = LOGO_SIZE
    centre = w / 2
    half = 50.0 - inset
    top = 5.0 + inset
    shoulder = 62.0
    tip = 128.0 - 1.6 * inset
    corner = 12.0 - inset * 0.5
    if v < top or v > tip:
        return False
    dx = abs(u - centre)
    if v <= shoulder:
        if dx > half - corner and v < top + corner:
            ex, ey = dx - (half - corner), (top + corner) - v
            return ex * ex + ey * ey <= corner * corner
        return dx <= half
    t = (v - shoulder) / (tip - shoulder)
    return dx <= half * (1.0 - t * t)


def in_funnel(u, v):
    dx = abs(u - LOGO_SIZE[0] / 2)
    if 40.0 <= v <= 48.0:
        return dx <= 30.0
    if 48.0 < v <= 76.0:
        t = (v - 48.0) / 28.0
        return dx <= 30.0 + t * (8.0 - 30.0)
    if 76.0 < v <= 98.0:
        return dx <= 8.0
    return False


DROPS = ((45.0, 22.0, 3.6), (60.0, 16.0, 3.0), (68.0, 29.0, 3.3), (55.0, 106.0, 3.4))


def logo_sample(u, v):
    """The colour at one sample point, or None outside the shield."""
    if not in_shield(u, v, 0.0):
        return None
    if not in_shield(u, v, 3.0):
        return SHIELD_RIM
    if not in_shield(u, v, 5.0):
        return SHIELD_EDGE
    if in_funnel(u, v):
        return FUNNEL_COLOUR
    for dx, dy, radius in DROPS:
        if (u - dx) * (u - dx) + (v - dy) * (v - dy) <= radius * radius:
            return DROP_COLOUR
    colour = mix(SHIELD_TOP, SHIELD_BOTTOM, clamp01((v - 8.0) / 115.0))
    if u > LOGO_SIZE[0] / 2:
        colour = tuple(c * 0.86 for c in colour)
    elif u + v * 0.6 < 62.0:
        colour = mix(colour, (0xFF, 0xFF, 0xFF), 0.10)  # a little gloss at the upper left
    return colour


def draw_logo(banner, scale=1):
    """Rows of colours, None where the logo is transparent. Edge pixels are blended with
    the banner pixels (of the banner drawn at the same scale) that they cover in the
    wizard."""
    w, h = LOGO_SIZE
    n = LOGO_SUPERSAMPLE
    rows = []
    for y in range(h * scale):
        row = []
        for x in range(w * scale):
            total, covered = [0.0, 0.0, 0.0], 0
            for sy in range(n):
                v = (y + (sy + 0.5) / n) / scale
                for sx in range(n):
                    colour = logo_sample((x + (sx + 0.5) / n) / scale, v)
                    if colour is not None:
                        covered += 1
                        for i in range(3):
                            total[i] += colour[i]
            if covered == 0:
                row.append(None)
                continue
            under = banner[LOGO_AT[1] * scale + y][LOGO_AT[0] * scale + x]
            for i in range(3):
                total[i] += under[i] * (n * n - covered)
            row.append(tuple(int(c / (n * n) + 0.5) for c in total))
        rows.append(row)
    return rows


# --- palette --------------------------------------------------------------------

def median_cut(counts, size):
    """A palette of at most |size| colours for {colour: pixel count}."""
    boxes = [sorted(counts.items())]
    while len(boxes) < size:
        best, best_key = None, None
        for i, box in enumerate(boxes):
            if len(box) < 2:
                continue
            spans = [max(c[k] for c, _ in box) - min(c[k] for c, _ in box) for k in range(3)]
            weight = sum(n for _, n in box)
            key = (max(spans) * weight, -i)
            if best_key is None or key > best_key:
                best, best_key = i, key
        if best is None:
            break
        box = boxes[best]
        spans = [max(c[k] for c, _ in box) - min(c[k] for c, _ in box) for k in range(3)]
        axis = spans.index(max(spans))
        box.sort(key=lambda item: (item[0][axis], item[0]))
        half, running, cut = sum(n for _, n in box) / 2, 0, 1
        for j, (_, n) in enumerate(box[:-1]):
            running += n
            cut = j + 1
            if running >= half:
                break
        boxes[best:best + 1] = [box[:cut], box[cut:]]
    palette = []
    for box in boxes:
        weight = sum(n for _, n in box)
        palette.append(tuple((sum(c[k] * n for c, n in box) + weight // 2) // weight
                             for k in range(3)))
    return palette


def colour_distance(a, b):
    return 2 * (a[0] - b[0]) ** 2 + 4 * (a[1] - b[1]) ** 2 + 3 * (a[2] - b[2]) ** 2


def quantise(rows, size, accents=0):
    """(palette, index rows); None pixels stay None. The last |accents| entries go to the
    colours the rest serves worst (small bright details that a cut by pixel count drops)."""
    counts = {}
    for row in rows:
        for colour in row:
            if colour is not None:
                counts[colour] = counts.get(colour, 0) + 1
    palette = median_cut(counts, size - accents)
    colours = sorted(counts)
    # The distance of each colour to its nearest entry, kept up to date as accents come.
    near = [min(colour_distance(c, p) for p in palette) for c in colours]
    for _ in range(accents):
        worst = max(range(len(colours)), key=lambda i: near[i] * counts[colours[i]] ** 0.5)
        palette.append(colours[worst])
        near = [min(d, colour_distance(c, colours[worst])) for c, d in zip(colours, near)]
    nearest = {}
    for colour in counts:
        best, best_d = 0, None
        for i, p in enumerate(palette):
            d = colour_distance(colour, p)
            if best_d is None or d < best_d:
                best, best_d = i, d
        nearest[colour] = best
    return palette, [[None if c is None else nearest[c] for c in row] for row in rows]


# --- GIF --------------------------------------------------------------------------

def lzw(indices, min_code_size=8):
    """The LZW code stream of a GIF image, as bytes (before sub-block packing): the
    shortest of the streams that start a fresh table after 512, 1024, 2048 or 4096 codes.
    A smaller table has shorter codes and follows a picture's changing colours sooner."""
    return min((lzw_limited(indices, min_code_size, limit) for limit in (512, 1024, 2048, 4096)),
               key=len)


def lzw_limited(indices, min_code_size, limit):
    clear, end = 1 << min_code_size, (1 << min_code_size) + 1
    out = bytearray()
    bits = nbits = 0

    def emit(code, width):
        nonlocal bits, nbits
        bits |= code << nbits
        nbits += width
        while nbits >= 8:
            out.append(bits & 0xFF)
            bits >>= 8
            nbits -= 8

    width = min_code_size + 1
    table = {}
    next_code = end + 1
    emit(clear, width)
    prefix = indices[0]
    for k in indices[1:]:
        key = prefix << 8 | k
        code = table.get(key)
        if code is not None:
            prefix = code
            continue
        emit(prefix, width)
        table[key] = next_code
        next_code += 1
        if next_code > (1 << width) and width < 12:
            width += 1
        # The decoder adds its entries one code later, so it still reads this clear code
        # at the width the encoder has now.
        if next_code >= limit:
            emit(clear, width)
            table.clear()
            next_code = end + 1
            width = min_code_size + 1
        prefix = k
    emit(prefix, width)
    emit(end, width)
    if nbits:
        out.append(bits & 0xFF)
    return bytes(out)


def gif(width, height, palette, indices, transparent=None):
    # The colour table always has 256 entries; the codes need only the bits of the colours
    # in use, which keeps the picture data small.
    bits = max(2, (len(palette) - 1).bit_length())
    palette = list(palette) + [(0, 0, 0)] * (256 - len(palette))
    out = bytearray(b"GIF89a")
    # Logical screen: global 256-entry table of 8-bit colour resolution, unsorted.
    out += struct.pack("<HHBBB", width, height, 0xF7, 0, 0)
    out += b"".join(bytes(c) for c in palette)
    if transparent is not None:
        # Graphic control: no disposal, no delay, transparent index set.
        out += struct.pack("<BBBBHBB", 0x21, 0xF9, 4, 0x01, 0, transparent, 0)
    out += struct.pack("<BHHHHB", 0x2C, 0, 0, width, height, 0)
    out.append(bits)
    data = lzw(indices, bits)
    for i in range(0, len(data), 255):
        chunk = data[i:i + 255]
        out.append(len(chunk))
        out += chunk
    out += b"\x00\x3B"
    return bytes(out)


def banner_gif(banner, scale=1, colours=(BANNER_COLOURS, BANNER_ACCENTS)):
    # 24 colours, 8 of them kept for the particles and waves: the smooth parts band a
    # little, mostly behind the logo, and the file is 40 % of one using all 256.
    palette, rows = quantise(banner, *colours)
    w, h = BANNER_SIZE
    return gif(w * scale, h * scale, palette, [i for row in rows for i in row])


def logo_gif(banner, scale=1, colours=(LOGO_COLOURS, LOGO_ACCENTS)):
    palette, rows = quantise(draw_logo(banner, scale), colours[0] - 1, colours[1])
    transparent = len(palette)
    palette.append((0xFF, 0x00, 0xFF))  # never shown
    w, h = LOGO_SIZE
    return gif(w * scale, h * scale, palette,
               [transparent if i is None else i for row in rows for i in row], transparent)


def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: make_pictures.py <output folder>\n")
        return 2
    os.makedirs(argv[1], exist_ok=True)
    banner, banner_2x = draw_banner(), draw_banner(2)
    for name, data in (("welcome.gif", banner_gif(banner)), ("logo.gif", logo_gif(banner)),
                       ("welcome_2x.gif", banner_gif(banner_2x, 2, BANNER_2X_COLOURS)),
                       ("logo_2x.gif", logo_gif(banner_2x, 2, LOGO_2X_COLOURS))):
        with open(os.path.join(argv[1], name), "wb") as f:
            f.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
