#!/usr/bin/env python3
"""Builds the program's .ico from text art: three 32x32 images, each with its AND mask.

  make_icon.py ART.txt OUT.ico

Images, in this order in the icon directory:
  1. 16 colours, 4 bits a pixel;
  2. marked as 8 colours (bColorCount 8), stored at 4 bits a pixel, using only
     the first eight palette entries;
  3. monochrome, 1 bit a pixel.
"""
import struct
import sys

SIZE = 32

# The standard 16-colour palette, as RGB; the index is the pixel value.
PALETTE16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
CHARS = "KrgyntpsdRGYBMCW"  # index in PALETTE16 of each art character
TRANSPARENT = "."

# For the 8-colour image: each colour's nearest among the first eight.
TO_EIGHT = [0, 1, 2, 3, 4, 5, 6, 7, 0, 1, 2, 3, 4, 5, 6, 7]
TO_EIGHT[15] = 7  # white becomes silver
TO_EIGHT[8] = 0   # grey becomes black


def read_art(path):
    rows = []
    with open(path, encoding="ascii") as art:
        for line in art:
            line = line.rstrip("\n")
            if line.startswith("#"):
                continue
            rows.append(line)
    if len(rows) != SIZE:
        sys.exit(f"{path}: {len(rows)} rows of art, expected {SIZE}")
    for number, row in enumerate(rows, 1):
        if len(row) != SIZE:
            sys.exit(f"{path}: art row {number} has {len(row)} pixels, expected {SIZE}")
        bad = set(row) - set(CHARS + TRANSPARENT)
        if bad:
            sys.exit(f"{path}: art row {number} has unknown characters {''.join(sorted(bad))}")
    return rows


def indices(rows, mapping):
    """Pixel values bottom row first, as a DIB stores them; transparent pixels are 0."""
    return [[0 if c == TRANSPARENT else mapping(CHARS.index(c)) for c in row]
            for row in reversed(rows)]


def pack(pixels, bits):
    """Rows of pixel values packed at the given depth, each row padded to 4 bytes."""
    data = bytearray()
    per_byte = 8 // bits
    for row in pixels:
        packed = bytearray()
        for start in range(0, SIZE, per_byte):
            byte = 0
            for value in row[start:start + per_byte]:
                byte = (byte << bits) | value
            packed.append(byte)
        packed.extend(b"\0" * (-len(packed) % 4))
        data.extend(packed)
    return bytes(data)


def and_mask(rows):
    return pack([[1 if c == TRANSPARENT else 0 for c in row] for row in reversed(rows)], 1)


def image(rows, bits, palette, mapping):
    xor = pack(indices(rows, mapping), bits)
    mask = and_mask(rows)
    # The height counts the XOR and the AND bitmap together.
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, bits, 0,
                         len(xor) + len(mask), 0, 0, 0, 0)
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    return header + colours + xor + mask


def luminance(index):
    r, g, b = PALETTE16[index]
    return 0.299 * r + 0.587 * g + 0.114 * b


def build(rows):
    images = [
        (16, 4, image(rows, 4, PALETTE16, lambda i: i)),
        (8, 4, image(rows, 4, PALETTE16, lambda i: TO_EIGHT[i])),
        (2, 1, image(rows, 1, [(0, 0, 0), (255, 255, 255)],
                     lambda i: 1 if luminance(i) >= 150 else 0)),
    ]
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = len(directory) + 16 * len(images)
    entries = b""
    for colours, bits, data in images:
        entries += struct.pack("<BBBBHHII", SIZE, SIZE, colours, 0, 1, bits, len(data), offset)
        offset += len(data)
    return directory + entries + b"".join(data for _, _, data in images)


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    icon = build(read_art(sys.argv[1]))
    with open(sys.argv[2], "wb") as out:
        out.write(icon)


if __name__ == "__main__":
    main()
