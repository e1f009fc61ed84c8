#!/usr/bin/env python3
"""Packs PNG images into one Windows icon (.ico): make_ico.py OUT.ico IN.png...

Each image becomes one entry of the icon, stored as the PNG it is (Windows Vista and later read
PNG entries at every size). The images are square, 1 to 256 pixels on a side; their size is read
from each PNG's header, not from its name.
"""
import struct
import sys

PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"
MAX_SIDE = 256


def fail(message):
    print(f"make_ico.py: {message}", file=sys.stderr)
    sys.exit(2)


def png_size(path, data):
    # The IHDR chunk comes first: length, type, then width and height as big-endian words.
    if len(data) < 24 or not data.startswith(PNG_SIGNATURE) or data[12:16] != b"IHDR":
        fail(f"{path}: not a PNG file")
    return struct.unpack(">II", data[16:24])


def main(argv):
    if len(argv) < 3:
        fail("usage: make_ico.py OUT.ico IN.png...")
    out, inputs = argv[1], argv[2:]
    images = []
    for path in inputs:
        try:
            with open(path, "rb") as f:
                data = f.read()
        except OSError as e:
            fail(f"{path}: {e.strerror}")
        width, height = png_size(path, data)
        if width != height or not 1 <= width <= MAX_SIDE:
            fail(f"{path}: {width}x{height}; an icon's images are square, 1 to {MAX_SIDE} pixels")
        images.append((width, data))
    images.sort(key=lambda image: image[0])
    # ICONDIR: reserved, type 1 (icon), count; then a 16-byte ICONDIRENTRY per image, where a
    # side of 256 is written as 0; then the images, in the same order.
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = len(header) + 16 * len(images)
    entries = b""
    for side, data in images:
        byte_side = side % MAX_SIDE
        entries += struct.pack("<BBBBHHII", byte_side, byte_side, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(out, "wb") as f:
        f.write(header + entries + b"".join(data for _, data in images))


if __name__ == "__main__":
    main(sys.argv)
