#!/usr/bin/env python3
"""Draws the program's icon, a monitor on its stand, as one 64x64 32-bit image.

Run it again after changing the drawing: python3 make_icon.py app.ico
The output depends on nothing but this file, so the .ico is byte-for-byte the same.
"""
import struct
import sys

SIZE = 64
SAMPLES = 4  # per axis, for smooth edges

BEZEL = (0x2B, 0x2F, 0x36)
SCREEN_TOP = (0x4F, 0xA3, 0xF7)
SCREEN_BOTTOM = (0x1B, 0x5C, 0xC4)
STAND = (0x5A, 0x61, 0x6B)


def inside_rounded(x, y, left, top, right, bottom, radius):
    if not (left <= x < right and top <= y < bottom):
        return False
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def blend(a, b, t):
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))


def colour_at(x, y):
    """Colour of the point (x, y) in icon units, or None where it is transparent."""
    if inside_rounded(x, y, 7, 11, 57, 43, 1.5):
        shade = blend(SCREEN_TOP, SCREEN_BOTTOM, (y - 11) / 32)
        # A soft diagonal reflection across the upper left of the glass.
        if 0 < (x - 7) + (y - 11) * 1.6 < 26:
            shade = blend(shade, (0xFF, 0xFF, 0xFF), 0.18)
        return shade
    if inside_rounded(x, y, 4, 8, 60, 47, 4):
        return BEZEL
    if 28 <= x < 36 and 47 <= y < 54:
        return STAND
    if inside_rounded(x, y, 17, 53, 47, 58, 2.5):
        return STAND
    return None


def render():
    rows = []
    for py in range(SIZE):
        row = []
        for px in range(SIZE):
            total = [0, 0, 0]
            covered = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    c = colour_at(px + (sx + 0.5) / SAMPLES, py + (sy + 0.5) / SAMPLES)
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


def ico_bytes(rows):
    pixels = bytearray()
    for row in reversed(rows):  # bitmaps are stored bottom-up
        for r, g, b, a in row:
            pixels += bytes((b, g, r, a))
    mask = bytes(SIZE * SIZE // 8)  # alpha decides; the AND mask stays clear
    header = struct.pack('<IiiHHIIiiII', 40, SIZE, SIZE * 2, 1, 32, 0,
                         len(pixels) + len(mask), 0, 0, 0, 0)
    image = header + pixels + mask
    directory = struct.pack('<HHH', 0, 1, 1)
    entry = struct.pack('<BBBBHHII', SIZE, SIZE, 0, 0, 1, 32, len(image), 6 + 16)
    return directory + entry + image


if __name__ == '__main__':
    with open(sys.argv[1] if len(sys.argv) > 1 else 'app.ico', 'wb') as out:
        out.write(ico_bytes(render()))
