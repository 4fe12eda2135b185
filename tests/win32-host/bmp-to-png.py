#!/usr/bin/env python3
"""bmp-to-png.py — turns the window test's pictures (24-bit BMP files, as the
test writes them) into PNG files, with Python's standard library alone.
    bmp-to-png.py BMP... DIR    each BMP becomes DIR/<its name>.png
"""
import os
import struct
import sys
import zlib

BMP_HEADER = 14  # the file header before the bitmap's own header
PNG_MAGIC = b"\x89PNG\r\n\x1a\n"
RGB_COLOUR = 2
BYTE_DEPTH = 8


def read_bmp(path):
    data = open(path, "rb").read()
    if data[:2] != b"BM":
        raise ValueError(f"{path}: not a BMP file")
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height = struct.unpack_from("<ii", data, BMP_HEADER + 4)
    bits = struct.unpack_from("<H", data, BMP_HEADER + 14)[0]
    if bits != 24:
        raise ValueError(f"{path}: {bits} bits a pixel; only 24 are read")
    stride = (width * 3 + 3) // 4 * 4
    rows = []
    for y in range(abs(height)):
        # Rows go bottom-up unless the height is negative; pixels are BGR.
        source = abs(height) - 1 - y if height > 0 else y
        row = data[offset + source * stride: offset + source * stride + width * 3]
        rgb = bytearray(row)
        rgb[0::3], rgb[2::3] = row[2::3], row[0::3]
        rows.append(bytes(rgb))
    return width, abs(height), rows


def chunk(kind, body):
    return (struct.pack(">I", len(body)) + kind + body +
            struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))


def write_png(path, width, height, rows):
    raw = b"".join(b"\x00" + row for row in rows)  # no filter on any row
    header = struct.pack(">IIBBBBB", width, height, BYTE_DEPTH, RGB_COLOUR, 0, 0, 0)
    with open(path, "wb") as out:
        out.write(PNG_MAGIC + chunk(b"IHDR", header) +
                  chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main(args):
    if len(args) < 2:
        print(__doc__, file=sys.stderr)
        return 2
    *sources, target = args
    for source in sources:
        name = os.path.splitext(os.path.basename(source))[0] + ".png"
        write_png(os.path.join(target, name), *read_bmp(source))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
