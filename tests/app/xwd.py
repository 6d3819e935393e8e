#!/usr/bin/python3
"""Reads an X window dump (xwd) of a 24/32-bit TrueColor screen; writes it as PNG.

    xwd.py DUMP.xwd OUT.png
"""
import struct
import sys
import zlib


def read(path):
    """(width, height, rows) where rows[y][x] is an (r, g, b) tuple."""
    data = open(path, "rb").read()
    fields = struct.unpack(">25I", data[:100])
    header_size, _version, _format, depth, width, height = fields[:6]
    byte_order, bits_per_pixel, bytes_per_line = fields[7], fields[11], fields[12]
    red_mask, green_mask, blue_mask = fields[14:17]
    ncolors = fields[19]
    if bits_per_pixel not in (24, 32) or depth < 24:
        raise ValueError("expected a 24-bit screen, got depth %d, %d bits per pixel" % (depth, bits_per_pixel))
    step = bits_per_pixel // 8
    offset = header_size + 12 * ncolors
    order = "<" if byte_order == 0 else ">"

    def channel(value, mask):
        shift = (mask & -mask).bit_length() - 1
        return (value & mask) >> shift

    rows = []
    for y in range(height):
        line = data[offset + y * bytes_per_line: offset + y * bytes_per_line + step * width]
        big = order == ">"
        values = [int.from_bytes(line[i:i + step], "big" if big else "little") for i in range(0, step * width, step)]
        rows.append([(channel(v, red_mask), channel(v, green_mask), channel(v, blue_mask)) for v in values])
    return width, height, rows


def write_png(path, width, height, rows):
    raw = b"".join(b"\x00" + bytes(c for px in row for c in px) for row in rows)

    def chunk(kind, payload):
        return struct.pack(">I", len(payload)) + kind + payload + struct.pack(">I", zlib.crc32(kind + payload))

    with open(path, "wb") as fh:
        fh.write(b"\x89PNG\r\n\x1a\n")
        fh.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        fh.write(chunk(b"IDAT", zlib.compress(raw, 6)))
        fh.write(chunk(b"IEND", b""))


if __name__ == "__main__":
    w, h, r = read(sys.argv[1])
    write_png(sys.argv[2], w, h, r)
