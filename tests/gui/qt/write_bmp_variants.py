#!/usr/bin/env python3
"""Writes the BMP variants that ImageMagick does not write, each beside a PAM
file of the pixels it is meant to show: top-down rows, RLE4, RLE8 with delta
codes and an early end of bitmap, the 16- and 64-byte OS/2 headers and the
52- and 56-byte Windows headers.

usage: write_bmp_variants.py OUTDIR   (prints the names written, one a line)
"""

import os
import struct
import sys

W, H = 13, 7


def picture():
    """Gradients with a hard edge down the middle; rows top first, RGBA."""
    rows = []
    for y in range(H):
        row = []
        for x in range(W):
            r = x * 255 // (W - 1)
            g = y * 255 // (H - 1)
            b = 255 if x >= W // 2 else 0
            row.append((r, g, b, 255))
        rows.append(row)
    return rows


def palette16():
    return [(i * 17, 255 - i * 17, (i * 53) % 256) for i in range(16)]


def indexed_picture():
    """A 16-colour picture as palette indices, rows top first."""
    return [[(x + 2 * y) % 16 if x < 9 else 5 for x in range(W)] for y in range(H)]


def pam(rows):
    h, w = len(rows), len(rows[0])
    head = b"P7\nWIDTH %d\nHEIGHT %d\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n" % (w, h)
    return head + bytes(c for row in rows for px in row for c in px)


def file_header(header_and_table, pixel_bytes):
    offset = 14 + len(header_and_table)
    return struct.pack("<2sIHHI", b"BM", offset + len(pixel_bytes), 0, 0, offset)


def info40(w, h, bits, compression=0, colours=0, size=40, image_size=0):
    return struct.pack("<IiiHHIIiiII", size, w, h, 1, bits, compression, image_size, 2835, 2835, colours, 0)


def rows24(rows, top_down=False):
    out = b""
    order = rows if top_down else list(reversed(rows))
    for row in order:
        line = b"".join(bytes((b, g, r)) for (r, g, b, a) in row)
        out += line + b"\0" * ((-len(line)) % 4)
    return out


def table(entries, size=4):
    return b"".join(bytes((b, g, r, 0))[:size] for (r, g, b) in entries)


def rows4(indices):
    out = b""
    for row in reversed(indices):
        line = bytearray()
        for x in range(0, len(row), 2):
            hi = row[x]
            lo = row[x + 1] if x + 1 < len(row) else 0
            line.append((hi << 4) | lo)
        out += bytes(line) + b"\0" * ((-len(line)) % 4)
    return out


def colours(indices, pal):
    return [[pal[i] + (255,) for i in row] for row in indices]


def variants():
    pic = picture()
    pal = palette16()
    idx = indexed_picture()
    out = {}

    # Top-down 24-bit rows (negative height).
    head = info40(W, -H, 24)
    px = rows24(pic, top_down=True)
    out["topdown24"] = (file_header(head, px) + head + px, pic)

    # RLE4: runs of two alternating colours, an absolute run of odd length
    # (with its padding byte), and an end of line per row.
    rle = bytearray()
    for row in reversed(idx):
        x = 0
        # An absolute run of 3 pixels: two bytes of data, no padding needed.
        rle += bytes((0, 3, (row[0] << 4) | row[1], row[2] << 4))
        x = 3
        # An absolute run of 5 pixels: three bytes, then one padding byte.
        rle += bytes((0, 5, (row[3] << 4) | row[4], (row[5] << 4) | row[6], row[7] << 4, 0))
        x = 8
        # The rest as encoded runs of one colour each.
        while x < W:
            n = 1
            while x + n < W and row[x + n] == row[x]:
                n += 1
            rle += bytes((n, (row[x] << 4) | row[x]))
            x += n
        rle += b"\0\0"
    rle += b"\0\1"
    head = info40(W, H, 4, compression=2, colours=16, image_size=len(rle)) + table(pal)
    out["rle4"] = (file_header(head, bytes(rle)) + head + bytes(rle), colours(idx, pal))

    # RLE8 with a delta jump and an early end of bitmap: skipped pixels show
    # palette entry 0.
    pal8 = [(10, 20, 30), (200, 50, 0), (0, 180, 90), (250, 250, 10)]
    want = [[0] * W for _ in range(H)]
    rle = bytearray()
    # Bottom row (file row 0): four pixels of colour 1, then delta (+3, +1).
    for x in range(4):
        want[H - 1][x] = 1
    rle += bytes((4, 1))
    rle += bytes((0, 2, 3, 1))
    # Now at x = 7 of file row 1: three pixels of colour 2, end of line.
    for x in range(7, 10):
        want[H - 2][x] = 2
    rle += bytes((3, 2, 0, 0))
    # File row 2: an absolute run of 3 (padding byte), end of bitmap.
    for x, v in enumerate((3, 1, 2)):
        want[H - 3][x] = v
    rle += bytes((0, 3, 3, 1, 2, 0))
    rle += b"\0\1"
    head = info40(W, H, 8, compression=1, colours=4, image_size=len(rle)) + table(pal8)
    out["rle8delta"] = (file_header(head, bytes(rle)) + head + bytes(rle), colours(want, pal8))

    # OS/2 2.x with the short 16-byte header: 4-byte palette entries follow.
    head = struct.pack("<IIIHH", 16, W, H, 1, 4) + table(pal)
    px = rows4(idx)
    out["os2short4"] = (file_header(head, px) + head + px, colours(idx, pal))

    # OS/2 2.x with the full 64-byte header, 24-bit rows.
    head = info40(W, H, 24, size=64) + struct.pack("<HHHHIIII", 0, 0, 0, 0, 0, 0, 0, 0)
    px = rows24(pic)
    out["os2long24"] = (file_header(head, px) + head + px, pic)

    # 52-byte header: its own RGB masks, 16-bit 5-6-5 pixels.
    def rows565(rows):
        data = b""
        for row in reversed(rows):
            line = b"".join(struct.pack("<H", ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3)) for (r, g, b, a) in row)
            data += line + b"\0" * ((-len(line)) % 4)
        return data

    def widen(v, bits):
        m = (1 << bits) - 1
        return (v * 255 + m // 2) // m

    meant565 = [[(widen(r >> 3, 5), widen(g >> 2, 6), widen(b >> 3, 5), 255) for (r, g, b, a) in row] for row in pic]
    head = info40(W, H, 16, compression=3, size=52) + struct.pack("<III", 0xF800, 0x07E0, 0x001F)
    px = rows565(pic)
    out["v52_565"] = (file_header(head, px) + head + px, meant565)

    # 56-byte header: RGBA masks, 32-bit pixels with an alpha ramp.
    alpha = [[(r, g, b, (x * 255) // (W - 1)) for x, (r, g, b, a) in enumerate(row)] for row in pic]
    data = b""
    for row in reversed(alpha):
        data += b"".join(bytes((b, g, r, a)) for (r, g, b, a) in row)
    head = info40(W, H, 32, compression=3, size=56) + struct.pack("<IIII", 0xFF0000, 0xFF00, 0xFF, 0xFF000000)
    out["v56_alpha"] = (file_header(head, data) + head + data, alpha)
    return out


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    for name, (data, rows) in variants().items():
        with open(os.path.join(folder, name + ".bmp"), "wb") as f:
            f.write(data)
        with open(os.path.join(folder, name + ".meant.pam"), "wb") as f:
            f.write(pam(rows))
        print(name)


if __name__ == "__main__":
    main()
