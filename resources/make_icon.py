#!/usr/bin/env python3
"""Writes Tessera.ico: a tile mosaic at 16x16 (24 bits) and 32x32 (32 bits).

The grout between the tiles is transparent. Run once; the icon is committed.
"""
import os
import struct

PALETTE = [(0x2A, 0x9D, 0x8F), (0xE9, 0xC4, 0x6A), (0xF4, 0xA2, 0x61), (0xE7, 0x6F, 0x51)]


def tile_color(size, x, y):
    """The RGB colour of a pixel, or None in the grout."""
    pitch = size // 4
    if x % pitch == pitch - 1 or y % pitch == pitch - 1:
        return None
    column, row = x // pitch, y // pitch
    return PALETTE[(column + 2 * row + row // 2) % len(PALETTE)]


def and_mask(size):
    """One bit a pixel, rows bottom-up and padded to 32 bits; 1 is transparent."""
    stride = (size + 31) // 32 * 4
    rows = []
    for y in reversed(range(size)):
        bits = bytearray(stride)
        for x in range(size):
            if tile_color(size, x, y) is None:
                bits[x // 8] |= 0x80 >> (x % 8)
        rows.append(bytes(bits))
    return b"".join(rows)


def image(size, bits):
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, bits, 0, 0, 0, 0, 0, 0)
    rows = []
    for y in reversed(range(size)):
        row = bytearray()
        for x in range(size):
            color = tile_color(size, x, y)
            red, green, blue = color or (0, 0, 0)
            row += bytes((blue, green, red))
            if bits == 32:
                row.append(0 if color is None else 255)
        row += bytes(-len(row) % 4)
        rows.append(bytes(row))
    return header + b"".join(rows) + and_mask(size)


def main():
    images = [(16, 24, image(16, 24)), (32, 32, image(32, 32))]
    offset = 6 + 16 * len(images)
    directory = struct.pack("<HHH", 0, 1, len(images))
    for size, bits, data in images:
        directory += struct.pack("<BBBBHHII", size, size, 0, 0, 1, bits, len(data), offset)
        offset += len(data)
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "Tessera.ico")
    with open(path, "wb") as icon:
        icon.write(directory + b"".join(data for _, _, data in images))


if __name__ == "__main__":
    main()
