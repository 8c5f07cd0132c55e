#!/usr/bin/env python3
"""Draws the Sorvane program icon (a shield carrying a funnel) and writes it as
an .ico file with 16, 24, 32 and 48 pixel images, each in 8-bit (palette of the
colours it uses and AND mask) and in 32-bit (RGBA with alpha, stored as PNG, which
the system's icon loader reads since the first version to honour the setup's
administrator manifest).

Only integer maths and exactly rounded float operations are used, and no time
or randomness, so the same input always gives the same bytes."""
import struct
import sys
import zlib

SIZES = (16, 24, 32, 48)
SUPERSAMPLE = 8  # samples per pixel along each axis

TOP_COLOUR = (0x2C, 0x6E, 0xD6)      # blue at the top of the shield
BOTTOM_COLOUR = (0x10, 0xA7, 0x9C)   # teal at its tip
BORDER_COLOUR = (0x14, 0x3A, 0x6E)
FUNNEL_COLOUR = (0xFF, 0xFF, 0xFF)
SHADE = 0.86                         # right half darker, for a little depth

# The shape, in units of the icon's side, origin top-left. Straight edges are
# moved onto pixel boundaries for each size, so that they stay sharp.
CENTRE = 0.5
SHIELD = {"half": 0.42, "top": 0.05, "shoulder": 0.50, "tip": 0.97, "corner": 0.10}
FUNNEL = {"rim_top": 0.25, "rim_bottom": 0.32, "rim_half": 0.28,
          "cone_bottom": 0.55, "spout_half": 0.075, "spout_bottom": 0.78}


def geometry(size):
    def snap(value):
        return int(value * size + 0.5) / size
    shape = {key: snap(value) for key, value in {**SHIELD, **FUNNEL}.items()}
    shape["corner"] = SHIELD["corner"]
    shape["tip"] = SHIELD["tip"]
    shape["border"] = max(1, int(size / 24 + 0.5)) / size
    return shape


def in_shield(g, u, v, inset):
    half = g["half"] - inset
    top = g["top"] + inset
    tip = g["tip"] - 1.7 * inset  # the tip is sharp, so the border runs further along it
    if v < top or v > tip:
        return False
    dx = abs(u - CENTRE)
    if v <= g["shoulder"]:
        corner = g["corner"] - inset * 0.5
        if dx > half - corner and v < top + corner:
            ex = dx - (half - corner)
            ey = (top + corner) - v
            return ex * ex + ey * ey <= corner * corner
        return dx <= half
    t = (v - g["shoulder"]) / (tip - g["shoulder"])
    return dx <= half * (1.0 - t * t)


def in_funnel(g, u, v):
    dx = abs(u - CENTRE)
    if g["rim_top"] <= v <= g["rim_bottom"]:
        return dx <= g["rim_half"]
    if g["rim_bottom"] < v <= g["cone_bottom"]:
        t = (v - g["rim_bottom"]) / (g["cone_bottom"] - g["rim_bottom"])
        return dx <= g["rim_half"] + t * (g["spout_half"] - g["rim_half"])
    if g["cone_bottom"] < v <= g["spout_bottom"]:
        return dx <= g["spout_half"]
    return False


def sample_colour(g, u, v):
    """The colour of one sample point, or None where the icon is transparent."""
    if not in_shield(g, u, v, 0.0):
        return None
    if not in_shield(g, u, v, g["border"]):
        return BORDER_COLOUR
    if in_funnel(g, u, v):
        return FUNNEL_COLOUR
    t = (v - g["top"]) / (g["tip"] - g["top"])
    colour = [a + (b - a) * t for a, b in zip(TOP_COLOUR, BOTTOM_COLOUR)]
    if u > CENTRE:
        colour = [c * SHADE for c in colour]
    return colour


def render(size):
    """Rows of (r, g, b, a) pixels, top row first, straight (not premultiplied) alpha."""
    shape = geometry(size)
    samples = SUPERSAMPLE * SUPERSAMPLE
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            total = [0.0, 0.0, 0.0]
            covered = 0
            for sy in range(SUPERSAMPLE):
                v = (y + (sy + 0.5) / SUPERSAMPLE) / size
                for sx in range(SUPERSAMPLE):
                    u = (x + (sx + 0.5) / SUPERSAMPLE) / size
                    colour = sample_colour(shape, u, v)
                    if colour is not None:
                        covered += 1
                        for i in range(3):
                            total[i] += colour[i]
            if covered == 0:
                row.append((0, 0, 0, 0))
            else:
                r, g, b = (int(c / covered + 0.5) for c in total)
                row.append((r, g, b, (255 * covered + samples // 2) // samples))
        rows.append(row)
    return rows


def and_mask(rows):
    """1 bit per pixel, set where the pixel is transparent; rows bottom-up, padded to 32 bits."""
    size = len(rows)
    stride = (size + 31) // 32 * 4
    out = bytearray()
    for row in reversed(rows):
        line = bytearray(stride)
        for x, (_, _, _, a) in enumerate(row):
            if a < 128:
                line[x // 8] |= 0x80 >> (x % 8)
        out += line
    return bytes(out)


def bitmap_header(size, bits, image_bytes, colours=0):
    # The height counts the colour image and the AND mask together.
    return struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, bits, 0, image_bytes, 0, 0, colours,
                       0)


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def image_32(rows):
    """The image as a PNG: 8-bit RGBA, each row with the filter that packs it best."""
    size = len(rows)
    raw = bytearray()
    previous = bytes(4 * size)
    for row in rows:
        line = bytes(c for pixel in row for c in pixel)
        candidates = [bytes([0]) + line,
                      bytes([1]) + bytes((line[i] - (line[i - 4] if i >= 4 else 0)) & 0xFF
                                         for i in range(len(line))),
                      bytes([2]) + bytes((line[i] - previous[i]) & 0xFF for i in range(len(line)))]
        raw += min(candidates, key=lambda c: (len(zlib.compress(c, 9)), c[0]))
        previous = line
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", header) +
            png_chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + png_chunk(b"IEND", b""))


def image_8(rows):
    size = len(rows)
    opaque = [(r, g, b) for row in rows for r, g, b, a in row if a >= 128]
    palette = sorted(set(opaque))
    if len(palette) > 255:
        raise ValueError(f"{size}px: {len(palette)} colours do not fit a 256-colour palette")
    palette = [(0, 0, 0)] + palette  # index 0 is what transparent pixels show
    index = {colour: i for i, colour in enumerate(palette)}
    stride = (size + 3) // 4 * 4
    pixels = bytearray()
    for row in reversed(rows):
        line = bytearray(stride)
        for x, (r, g, b, a) in enumerate(row):
            if a >= 128:
                line[x] = index[(r, g, b)]
        pixels += line
    # Only the colours in use are stored; the header counts them.
    table = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in palette)
    mask = and_mask(rows)
    return (bitmap_header(size, 8, len(pixels) + len(mask), len(palette)) + table + bytes(pixels) +
            mask)


def icon_file():
    images = []
    for size in SIZES:
        rows = render(size)
        images.append((size, 32, image_32(rows)))
        images.append((size, 8, image_8(rows)))
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, bits, data in images:
        # A colour count of 0 stands for "256 or more".
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, bits, len(data), offset)
        offset += len(data)
    for _, _, data in images:
        out += data
    return bytes(out)


def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: make_icon.py <output.ico>\n")
        return 2
    with open(argv[1], "wb") as f:
        f.write(icon_file())
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
