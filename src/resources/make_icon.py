#!/usr/bin/env python3
"""Draws the program's icon, a monitor on its stand, at every size Windows asks for.

Each size is drawn for its own pixel grid rather than scaled from one picture:
edges fall on whole pixels, the bezel is at least a pixel wide, and the small
sizes leave out the reflection on the glass, which would only blur there.
16 to 64 pixels are 32-bit images; 256 is a PNG, as Windows Vista and later read it.

Run it again after changing the drawing: python3 make_icon.py app.ico
The output depends on nothing but this file, so the .ico is byte-for-byte the same.
"""
import struct
import sys
import zlib

SAMPLES = 4  # per axis and pixel, for smooth corners

BEZEL = (0x2B, 0x2F, 0x36)
SCREEN_TOP = (0x4F, 0xA3, 0xF7)
SCREEN_BOTTOM = (0x1B, 0x5C, 0xC4)
STAND = (0x5A, 0x61, 0x6B)
GLARE = (0xFF, 0xFF, 0xFF)

# Per size, in pixels: the bezel and its corner radius, the glass inside it, the
# neck and the foot with its radius, and whether the glass has a reflection.
# 64 is the master drawing; 256 is that drawing four times as large.
LAYOUTS = {
    16: dict(bezel=(0, 1, 16, 12, 1.0), screen=(1, 2, 15, 11, 0.0), neck=(7, 12, 9, 14),
             foot=(4, 14, 12, 15, 0.0), glare=False),
    20: dict(bezel=(1, 2, 19, 15, 1.0), screen=(2, 3, 18, 14, 0.0), neck=(9, 15, 11, 17),
             foot=(5, 17, 15, 18, 0.0), glare=False),
    24: dict(bezel=(1, 2, 23, 18, 1.5), screen=(2, 3, 22, 16, 0.0), neck=(11, 18, 13, 20),
             foot=(6, 20, 18, 22, 0.5), glare=False),
    32: dict(bezel=(2, 4, 30, 24, 2.0), screen=(4, 6, 28, 22, 0.5), neck=(14, 24, 18, 27),
             foot=(8, 27, 24, 29, 1.0), glare=True),
    40: dict(bezel=(2, 5, 38, 30, 2.5), screen=(4, 7, 36, 27, 1.0), neck=(17, 30, 23, 34),
             foot=(10, 33, 30, 36, 1.5), glare=True),
    48: dict(bezel=(3, 6, 45, 35, 3.0), screen=(5, 8, 43, 32, 1.0), neck=(21, 35, 27, 40),
             foot=(13, 40, 35, 43, 1.5), glare=True),
    64: dict(bezel=(4, 8, 60, 47, 4.0), screen=(7, 11, 57, 43, 1.5), neck=(28, 47, 36, 54),
             foot=(17, 53, 47, 58, 2.5), glare=True),
}
BITMAP_SIZES = sorted(LAYOUTS)
PNG_SIZE = 256


def scaled(layout, factor):
    return {key: (tuple(v * factor for v in value) if isinstance(value, tuple) else value)
            for key, value in layout.items()}


LAYOUTS[PNG_SIZE] = scaled(LAYOUTS[64], PNG_SIZE // 64)


def inside_rounded(x, y, box):
    left, top, right, bottom, radius = box
    if not (left <= x < right and top <= y < bottom):
        return False
    if radius <= 0:
        return True
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def blend(a, b, t):
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))


def colour_at(layout, size, x, y):
    """Colour of the point (x, y) in pixels, or None where it is transparent."""
    screen = layout['screen']
    if inside_rounded(x, y, screen):
        left, top, _, bottom, _ = screen
        shade = blend(SCREEN_TOP, SCREEN_BOTTOM, (y - top) / (bottom - top))
        # A soft diagonal reflection across the upper left of the glass.
        if layout['glare'] and 0 < (x - left) + (y - top) * 1.6 < 26 * size / 64:
            shade = blend(shade, GLARE, 0.18)
        return shade
    if inside_rounded(x, y, layout['bezel']):
        return BEZEL
    if inside_rounded(x, y, layout['neck'] + (0,)) or inside_rounded(x, y, layout['foot']):
        return STAND
    return None


def render(size):
    """Rows from the top, each pixel (r, g, b, a) with straight alpha."""
    layout = LAYOUTS[size]
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            total = [0, 0, 0]
            covered = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    c = colour_at(layout, size, px + (sx + 0.5) / SAMPLES, py + (sy + 0.5) / SAMPLES)
                    if c is not None:
                        covered += 1
                        for i in range(3):
                            total[i] += c[i]
            if covered == 0:
                row.append((0, 0, 0, 0))
            else:
                r, g, b = (round(t / covered) for t in total)
                row.append((r, g, b, round(255 * covered / SAMPLES ** 2)))
        rows.append(row)
    return rows


def bitmap_image(rows):
    size = len(rows)
    pixels = bytearray()
    for row in reversed(rows):  # bitmaps are stored bottom-up
        for r, g, b, a in row:
            pixels += bytes((b, g, r, a))
    # Alpha decides where Windows reads it; the mask marks the transparent pixels
    # for whatever draws with the mask alone. Its rows are padded to 32 bits.
    stride = (size + 31) // 32 * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0,
                         len(pixels) + len(mask), 0, 0, 0, 0)
    return header + bytes(pixels) + bytes(mask)


def png_image(rows):
    size = len(rows)
    raw = bytearray()
    for row in rows:
        raw.append(0)  # no filter
        for pixel in row:
            raw += bytes(pixel)

    def chunk(kind, data):
        return (struct.pack('>I', len(data)) + kind + data +
                struct.pack('>I', zlib.crc32(kind + data) & 0xFFFFFFFF))

    header = struct.pack('>IIBBBBB', size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) +
            chunk(b'IDAT', zlib.compress(bytes(raw), 9)) + chunk(b'IEND', b''))


def ico_bytes():
    images = [(size, bitmap_image(render(size))) for size in BITMAP_SIZES]
    images.append((PNG_SIZE, png_image(render(PNG_SIZE))))
    directory = struct.pack('<HHH', 0, 1, len(images))
    offset = len(directory) + 16 * len(images)
    entries = b''
    for size, image in images:
        # 256 is written as 0 in the one-byte width and height.
        entries += struct.pack('<BBBBHHII', size % 256, size % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    return directory + entries + b''.join(image for _, image in images)


if __name__ == '__main__':
    with open(sys.argv[1] if len(sys.argv) > 1 else 'app.ico', 'wb') as out:
        out.write(ico_bytes())
