#!/usr/bin/env python3
"""Makes a zip of one member holding SIZE zero bytes, for the tests of the
bounds on what an archive unpacks to:

  make_zeros_zip.py OUT NAME SIZE [DECLARED]

The member is deflated one MiB at a time with a full flush after each, so
the same block repeats and gigabytes cost a few megabytes and no time.
DECLARED is the size the archive's headers claim (SIZE when not given).
The CRC is right up to 64 MiB; beyond, computing it would take seconds, and
such an archive is meant to be refused before it is inflated to its end.
"""
import struct
import sys
import zlib

MIB = 1 << 20


def zeros_stream(size):
    packer = zlib.compressobj(9, zlib.DEFLATED, -15)
    block = packer.compress(b"\0" * MIB) + packer.flush(zlib.Z_FULL_FLUSH)
    parts = [block * (size // MIB)]
    parts.append(packer.compress(b"\0" * (size % MIB)) + packer.flush(zlib.Z_FINISH))
    return b"".join(parts)


def main():
    out, name, size = sys.argv[1], sys.argv[2].encode(), int(sys.argv[3])
    declared = int(sys.argv[4]) if len(sys.argv) > 4 else size
    data = zeros_stream(size)
    crc = 0
    if size <= 64 * MIB:
        crc = zlib.crc32(b"\0" * size)
    date = (0 << 9) | (1 << 5) | 1  # 1980-01-01
    local = struct.pack("<IHHHHHIIIHH", 0x04034B50, 20, 0, 8, 0, date, crc, len(data), declared, len(name), 0)
    central = struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, (3 << 8) | 20, 20, 0, 8, 0, date, crc, len(data),
                          declared, len(name), 0, 0, 0, 0, 0o100644 << 16, 0)
    offset = len(local) + len(name) + len(data)
    directory = central + name
    end = struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, 1, 1, len(directory), offset, 0)
    with open(out, "wb") as f:
        f.write(local + name + data + directory + end)


if __name__ == "__main__":
    main()
