#!/usr/bin/env python3
"""Reads a PNG file with nothing but Python's standard library, zlib doing the inflating, so
that the tests judge the PNG files the tools write by a decoder that shares no code with them.

    png_decode.py FILE.png           the pixels as a binary PPM (P6) on standard output
    png_decode.py --size FILE.png    "WIDTH HEIGHT"

Checks the signature, the length and CRC of every chunk, IHDR first and IEND last, and that the
inflated data holds exactly the scanlines the header asks for; undoes all five filter types.
Reads 8-bit greyscale, RGB, grey with alpha and RGBA, not interlaced (alpha is dropped).
Exit status: 0 success, 1 the file is not such a PNG (one line on stderr), 2 bad usage.
"""
import struct
import sys
import zlib

SIGNATURE = b"\x89PNG\r\n\x1a\n"
CHANNELS = {0: 1, 2: 3, 4: 2, 6: 4}  # by colour type


class Bad(Exception):
    pass


def chunks(data):
    at = len(SIGNATURE)
    while at < len(data):
        if at + 12 > len(data):
            raise Bad(f"truncated chunk header at byte {at}")
        (length,) = struct.unpack(">I", data[at : at + 4])
        kind = data[at + 4 : at + 8]
        end = at + 8 + length
        if end + 4 > len(data):
            raise Bad(f"chunk {kind!r} at byte {at} runs past the end of the file")
        (crc,) = struct.unpack(">I", data[end : end + 4])
        if zlib.crc32(data[at + 4 : end]) != crc:
            raise Bad(f"chunk {kind!r} at byte {at} has a wrong CRC")
        yield kind, data[at + 8 : end]
        at = end + 4


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def unfilter(raw, width, height, pixel_bytes):
    stride = width * pixel_bytes
    if len(raw) != height * (stride + 1):
        raise Bad(f"the image data holds {len(raw)} bytes, expected {height * (stride + 1)}")
    rows = []
    previous = bytearray(stride)
    for y in range(height):
        start = y * (stride + 1)
        kind = raw[start]
        row = bytearray(raw[start + 1 : start + 1 + stride])
        for i in range(stride):
            left = row[i - pixel_bytes] if i >= pixel_bytes else 0
            up = previous[i]
            corner = previous[i - pixel_bytes] if i >= pixel_bytes else 0
            if kind == 0:
                continue
            if kind == 1:
                row[i] = (row[i] + left) & 0xFF
            elif kind == 2:
                row[i] = (row[i] + up) & 0xFF
            elif kind == 3:
                row[i] = (row[i] + (left + up) // 2) & 0xFF
            elif kind == 4:
                row[i] = (row[i] + paeth(left, up, corner)) & 0xFF
            else:
                raise Bad(f"row {y} has filter type {kind}")
        rows.append(row)
        previous = row
    return rows


def decode(data):
    if not data.startswith(SIGNATURE):
        raise Bad("no PNG signature")
    found = list(chunks(data))
    if not found or found[0][0] != b"IHDR" or len(found[0][1]) != 13:
        raise Bad("the first chunk is not a 13-byte IHDR")
    if found[-1][0] != b"IEND":
        raise Bad("the last chunk is not IEND")
    width, height, depth, colour, method, filters, interlace = struct.unpack(
        ">IIBBBBB", found[0][1]
    )
    if width == 0 or height == 0:
        raise Bad(f"the image is {width}x{height}")
    if depth != 8 or colour not in CHANNELS or method or filters or interlace:
        raise Bad(f"unsupported form: depth {depth}, colour type {colour}, interlace {interlace}")
    stream = b"".join(body for kind, body in found if kind == b"IDAT")
    inflater = zlib.decompressobj()
    try:
        raw = inflater.decompress(stream) + inflater.flush()
    except zlib.error as error:
        raise Bad(f"the image data does not inflate: {error}") from None
    if not inflater.eof or inflater.unused_data:
        raise Bad("the zlib stream is incomplete or followed by extra bytes")
    channels = CHANNELS[colour]
    rows = unfilter(raw, width, height, channels)
    rgb = bytearray()
    for row in rows:
        for x in range(width):
            pixel = row[x * channels : (x + 1) * channels]
            rgb += pixel[:3] if channels >= 3 else bytes([pixel[0]]) * 3
    return width, height, bytes(rgb)


def main(argv):
    size_only = len(argv) == 3 and argv[1] == "--size"
    if len(argv) != 2 + size_only:
        print("usage: png_decode.py [--size] FILE.png", file=sys.stderr)
        return 2
    path = argv[-1]
    try:
        with open(path, "rb") as file:
            width, height, rgb = decode(file.read())
    except (OSError, Bad) as error:
        print(f"png_decode.py: {path}: {error}", file=sys.stderr)
        return 1
    if size_only:
        print(width, height)
    else:
        sys.stdout.buffer.write(b"P6\n%d %d\n255\n" % (width, height) + rgb)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
