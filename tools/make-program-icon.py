#!/usr/bin/env python3
"""Draws the program's icon (a record with a red label) as a PNG.

    make-program-icon.py OUT.png [SIZE]

Only the standard library: the picture is drawn with 4 x 4 samples a pixel
and written as an RGBA PNG through zlib.
"""
import math
import struct
import sys
import zlib


def colour_at(x, y, size):
    c = size / 2.0
    r = math.hypot(x - c, y - c) / (size / 2.0)
    if r > 0.96:
        return None
    if r < 0.035:
        return None  # the spindle hole
    if r < 0.34:
        # The label: red, a lighter ring near its edge.
        return (200, 40, 45) if r < 0.31 else (230, 90, 80)
    # Vinyl: near black with fine grooves and a soft light from the top left.
    groove = 0.5 + 0.5 * math.sin(r * 260.0)
    angle = math.atan2(y - c, x - c)
    shine = max(0.0, math.cos(2 * (angle + math.pi / 4))) ** 6
    base = 22 + 10 * groove + 70 * shine * (0.4 + 0.6 * groove)
    return (int(base), int(base), int(base + 4))


def draw(size, samples=4):
    rows = []
    step = 1.0 / samples
    for py in range(size):
        row = bytearray([0])  # filter: none
        for px in range(size):
            r = g = b = a = 0
            for sy in range(samples):
                for sx in range(samples):
                    col = colour_at(px + (sx + 0.5) * step, py + (sy + 0.5) * step, size)
                    if col is not None:
                        r += col[0]
                        g += col[1]
                        b += col[2]
                        a += 1
            n = samples * samples
            if a:
                row += bytes((r // a, g // a, b // a, 255 * a // n))
            else:
                row += bytes((0, 0, 0, 0))
        rows.append(bytes(row))
    return b"".join(rows)


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def main():
    out = sys.argv[1]
    size = int(sys.argv[2]) if len(sys.argv) > 2 else 256
    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(draw(size), 9))
    png += chunk(b"IEND", b"")
    with open(out, "wb") as f:
        f.write(png)


if __name__ == "__main__":
    main()
