#!/usr/bin/env python3
"""Draws the programs' icons from simple shapes and writes them as .ico files
(16, 32 and 48 pixels, 32-bit colour with alpha) into the folder given:

  installer.ico  a disc on a blue square: the installer started from the CD
  uninst.ico     the same disc on a red square: the uninstaller
  remove.ico     a red square with a white cross: the Start menu's UnInstall.lnk

Usage: make_icons.py OUT_DIR
"""
import math
import os
import struct
import sys

SIZES = (16, 32, 48)


def disc_on_square(square):
    def pixel(x, y, n):
        c = (n - 1) / 2
        r = math.hypot(x - c, y - c)
        # A ring: the disc, with the square showing through its hole.
        return (230, 230, 240, 255) if n * 0.10 < r <= n * 0.40 else square
    return pixel


def cross_on_square(square):
    def pixel(x, y, n):
        band = max(1, n // 8)
        margin = n // 5
        inside = margin <= x < n - margin and margin <= y < n - margin
        if inside and (abs(x - y) < band or abs(x + y - (n - 1)) < band):
            return (255, 255, 255, 255)
        return square
    return pixel


def image(pixel, n):
    """One icon image: BITMAPINFOHEADER, bottom-up BGRA rows, AND mask."""
    header = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = bytearray()
    for y in range(n - 1, -1, -1):
        for x in range(n):
            r, g, b, a = pixel(x, y, n)
            rows += bytes((b, g, r, a))
    mask_row = ((n + 31) // 32) * 4
    mask = bytes(mask_row * n)  # the alpha channel decides; the mask shows all
    return header + bytes(rows) + mask


def write_ico(path, pixel):
    images = [image(pixel, n) for n in SIZES]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for n, data in zip(SIZES, images):
        out += struct.pack("<BBBBHHII", n % 256, n % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for data in images:
        out += data
    with open(path, "wb") as f:
        f.write(out)


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    blue, red = (40, 90, 200, 255), (190, 40, 40, 255)
    write_ico(os.path.join(out, "installer.ico"), disc_on_square(blue))
    write_ico(os.path.join(out, "uninst.ico"), disc_on_square(red))
    write_ico(os.path.join(out, "remove.ico"), cross_on_square(red))


if __name__ == "__main__":
    main()
