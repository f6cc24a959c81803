#!/usr/bin/env python3
"""Draws the program's icons and writes them as .ico files.

Usage: make_icons.py OUTPUT_DIR

Each icon holds a 32x32 and a 16x16 image (32-bit with alpha, plus the AND
mask that older shells use). The pictures are made of a few filled shapes,
sampled 4x4 per pixel so their edges are smooth at both sizes:

  icon_1.ico       the program: a compass needle on a blue dial
  icon_record.ico  recording: a red dot
  icon_play.ico    following a route: a green play triangle
  icon_pause.ico   paused: two amber bars

Only the standard library is used, and the output depends on nothing but
this script, so every build produces the same bytes.
"""

import math
import os
import struct
import sys

SIZES = (32, 16)
SUPERSAMPLE = 4


# Shapes take a point in unit coordinates (0,0 top left, 1,1 bottom right)
# and say whether it lies inside.

def disc(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def polygon(points):
    """Inside test for a simple polygon (even-odd rule)."""
    def inside(x, y):
        result = False
        n = len(points)
        for i in range(n):
            x1, y1 = points[i]
            x2, y2 = points[(i + 1) % n]
            if (y1 > y) != (y2 > y):
                if x < x1 + (y - y1) * (x2 - x1) / (y2 - y1):
                    result = not result
        return result
    return inside


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


def rounded_rect(x0, y0, x1, y1, r):
    def inside(x, y):
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def rotated(shape, degrees, cx=0.5, cy=0.5):
    """The shape turned clockwise (screen coordinates) about (cx, cy)."""
    a = math.radians(degrees)
    c, s = math.cos(a), math.sin(a)

    def inside(x, y):
        dx, dy = x - cx, y - cy
        return shape(cx + dx * c + dy * s, cy - dx * s + dy * c)
    return inside


def rgba(hex_colour, alpha=255):
    v = int(hex_colour, 16)
    return ((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF, alpha)


# Each picture is a list of layers, bottom first: (shape, colour).

def compass_layers():
    tilt = 30  # a needle at an angle reads as a compass, not a plus sign
    north = polygon([(0.5, 0.10), (0.62, 0.5), (0.38, 0.5)])
    south = polygon([(0.5, 0.90), (0.62, 0.5), (0.38, 0.5)])
    return [
        (disc(0.5, 0.5, 0.48), rgba("1B3F7A")),
        (disc(0.5, 0.5, 0.40), rgba("2F6DC4")),
        (rect(0.485, 0.06, 0.515, 0.16), rgba("DCE6F5")),  # north tick
        (rotated(south, tilt), rgba("F2F2F2")),
        (rotated(north, tilt), rgba("E0302A")),
        (disc(0.5, 0.5, 0.06), rgba("1B3F7A")),
    ]


def record_layers():
    return [
        (disc(0.5, 0.5, 0.42), rgba("8E1414")),
        (disc(0.5, 0.5, 0.35), rgba("DA2C2C")),
        (disc(0.40, 0.38, 0.09), rgba("F08080")),  # highlight
    ]


def play_layers():
    return [
        (polygon([(0.20, 0.08), (0.92, 0.5), (0.20, 0.92)]), rgba("1E6E2A")),
        (polygon([(0.27, 0.20), (0.80, 0.5), (0.27, 0.80)]), rgba("34A844")),
    ]


def pause_layers():
    return [
        (rounded_rect(0.16, 0.10, 0.42, 0.90, 0.06), rgba("9A6A00")),
        (rounded_rect(0.58, 0.10, 0.84, 0.90, 0.06), rgba("9A6A00")),
        (rounded_rect(0.21, 0.15, 0.37, 0.85, 0.04), rgba("F0AA10")),
        (rounded_rect(0.63, 0.15, 0.79, 0.85, 0.04), rgba("F0AA10")),
    ]


ICONS = {
    "icon_1.ico": compass_layers,
    "icon_record.ico": record_layers,
    "icon_play.ico": play_layers,
    "icon_pause.ico": pause_layers,
}


def render(layers, size):
    """Rows of (r, g, b, a), top row first."""
    n = SUPERSAMPLE
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(n):
                for sx in range(n):
                    x = (px + (sx + 0.5) / n) / size
                    y = (py + (sy + 0.5) / n) / size
                    for shape, colour in reversed(layers):
                        if shape(x, y):
                            a = colour[3] / 255.0
                            acc[0] += colour[0] * a
                            acc[1] += colour[1] * a
                            acc[2] += colour[2] * a
                            acc[3] += a
                            break
            samples = n * n
            alpha = acc[3] / samples
            if alpha <= 0.0:
                row.append((0, 0, 0, 0))
                continue
            # The colour sums are premultiplied: divide by the covered share.
            row.append(tuple(int(round(c / acc[3])) for c in acc[:3])
                       + (int(round(alpha * 255)),))
        rows.append(row)
    return rows


def icon_image(rows):
    """One icon image: header, bottom-up BGRA pixels, then the AND mask."""
    size = len(rows)
    mask_stride = ((size + 31) // 32) * 4
    pixels = bytearray()
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, (r, g, b, a) in enumerate(row):
            pixels += bytes((b, g, r, a))
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0,
                         len(pixels) + len(mask), 0, 0, 0, 0)
    return header + bytes(pixels) + bytes(mask)


def ico_file(images):
    """An .ico holding (size, image bytes) entries in the given order."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32,
                           len(data), offset)
        offset += len(data)
    for _, data in images:
        out += data
    return out


def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: make_icons.py OUTPUT_DIR\n")
        return 2
    out_dir = argv[1]
    os.makedirs(out_dir, exist_ok=True)
    for name, layers in ICONS.items():
        images = [(size, icon_image(render(layers(), size))) for size in SIZES]
        with open(os.path.join(out_dir, name), "wb") as f:
            f.write(ico_file(images))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
