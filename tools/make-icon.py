#!/usr/bin/env python3
"""Draws the Agent's notification-area icon and writes it as a Windows .ico.

    make-icon.py OUTPUT.ico

The icon is a mouse seen from above: a charcoal body with a lighter rim, the
split between the two buttons, and an orange scroll wheel and logo stripe.
It holds 48, 32, 24 and 16 pixel images, 32 bits per pixel with alpha, each
drawn from the same shapes with 4x4 supersampling so the edges stay smooth at
every size. Standard library only; the output is the same on every run.
"""

import struct
import sys

SIZES = (48, 32, 24, 16)
SUPERSAMPLING = 4

BODY = (0x2B, 0x30, 0x38)
RIM = (0x8A, 0x93, 0xA3)
SPLIT = (0x12, 0x14, 0x18)
ACCENT = (0xFF, 0x7A, 0x1A)


def superellipse(x, y, cx, cy, rx, ry, power=2.6):
    return (abs(x - cx) / rx) ** power + (abs(y - cy) / ry) ** power


def colour_at(x, y):
    """The colour at a point of the unit square (y downwards), or None outside."""
    body = superellipse(x, y, 0.5, 0.52, 0.34, 0.46)
    if body > 1.0:
        return None
    if body > 0.72:
        return RIM
    # The scroll wheel sits in the split between the buttons.
    if abs(x - 0.5) < 0.055 and 0.17 < y < 0.36:
        return ACCENT
    if abs(x - 0.5) < 0.025 and y < 0.42:
        return SPLIT
    if abs(y - 0.44) < 0.018:
        return SPLIT
    if abs(x - 0.5) < 0.13 and abs(y - 0.72) < 0.035:
        return ACCENT
    return BODY


def render(size):
    """Rows top to bottom of (b, g, r, a) pixels."""
    rows = []
    samples = SUPERSAMPLING * SUPERSAMPLING
    for py in range(size):
        row = []
        for px in range(size):
            red = green = blue = covered = 0
            for sy in range(SUPERSAMPLING):
                for sx in range(SUPERSAMPLING):
                    x = (px + (sx + 0.5) / SUPERSAMPLING) / size
                    y = (py + (sy + 0.5) / SUPERSAMPLING) / size
                    colour = colour_at(x, y)
                    if colour is not None:
                        red += colour[0]
                        green += colour[1]
                        blue += colour[2]
                        covered += 1
            if covered == 0:
                row.append((0, 0, 0, 0))
            else:
                # Colour averaged over the covered samples (straight alpha).
                row.append((blue // covered, green // covered, red // covered,
                            (255 * covered + samples // 2) // samples))
        rows.append(row)
    return rows


def icon_image(size):
    """One image of the icon file: a BITMAPINFOHEADER of double height, the
    colour rows bottom-up, then the 1-bit AND mask (set where transparent),
    each mask row padded to 32 bits."""
    rows = render(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytearray()
    for row in reversed(rows):
        for pixel in row:
            pixels += bytes(pixel)
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        line = bytearray(mask_stride)
        for px, pixel in enumerate(row):
            if pixel[3] == 0:
                line[px // 8] |= 0x80 >> (px % 8)
        mask += line
    return header + bytes(pixels) + bytes(mask)


def icon_file(sizes):
    images = [icon_image(size) for size in sizes]
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = len(directory) + 16 * len(images)
    entries = b""
    for size, image in zip(sizes, images):
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    return directory + entries + b"".join(images)


def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: make-icon.py OUTPUT.ico\n")
        return 2
    try:
        with open(argv[1], "wb") as output:
            output.write(icon_file(SIZES))
    except OSError as error:
        sys.stderr.write(f"make-icon.py: cannot write {argv[1]}: {error}\n")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
