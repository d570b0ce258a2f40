#!/usr/bin/env python3
"""Bitmaps for the test scripts: the checks read fields, so Python reads them.

    bitmap.py check FILE             an uncompressed 8- or 24-bit BMP whose sizes
                                     agree: prints "WxH, B-bit"; else why, exit 1
    bitmap.py index-plane FILE       the index plane of an 8-bit bitmap, top row
                                     first, as one line of numbers
    bitmap.py make-ppm FILE W H      a P6 picture with varied samples
    bitmap.py rows PPM OUT W H       the pixel data a bitmap of that P6 holds:
                                     rows bottom-up, blue green red, each padded
                                     to a multiple of four bytes
"""
import os
import struct
import sys


def check(path):
    data = open(path, "rb").read() if os.path.exists(path) else b""
    if not data:
        return "no bitmap written"
    if len(data) < 54:
        return f"{len(data)} bytes, shorter than the headers"
    size, offset, header, width, height, _, bits, compression = struct.unpack_from("<I4xIIiiHHI", data, 2)
    if data[:2] != b"BM" or header != 40 or compression != 0:
        return f"not an uncompressed BMP (magic {data[:2]!r}, header {header}, compression {compression})"
    if (bits, offset) not in ((8, 1078), (24, 54)):
        return f"{bits}-bit data at offset {offset}"
    stride = (width * bits // 8 + 3) // 4 * 4
    if size != len(data) or len(data) != offset + height * stride:
        return (f"{width}x{height} {bits}-bit, size field {size}, file {len(data)} bytes, "
                f"expected {offset + height * stride}")
    if width <= 0 or height <= 0:
        return f"empty picture {width}x{height}"
    print(f"{width}x{height}, {bits}-bit")
    return None


def index_plane(path):
    data = open(path, "rb").read()
    offset, = struct.unpack_from("<I", data, 10)
    width, height = struct.unpack_from("<ii", data, 18)
    bits, = struct.unpack_from("<H", data, 28)
    if bits != 8:
        print("not an 8-bit bitmap")
        return
    stride = (width + 3) // 4 * 4
    rows = [data[offset + (height - 1 - y) * stride:][:width] for y in range(height)]
    print(" ".join(str(b) for row in rows for b in row))


def make_ppm(path, w, h):
    data = bytes((i * 7 + (i >> 9) * 3) & 255 for i in range(w * h * 3))
    with open(path, "wb") as f:
        f.write(b"P6\n%d %d\n255\n" % (w, h) + data)


def rows(ppm, out, w, h):
    data = open(ppm, "rb").read()[-w * h * 3:]
    result = []
    for y in reversed(range(h)):
        row = bytearray(data[y * w * 3:(y + 1) * w * 3])
        row[0::3], row[2::3] = row[2::3], row[0::3]
        result.append(bytes(row) + bytes(-len(row) % 4))
    open(out, "wb").write(b"".join(result))


if __name__ == "__main__":
    verb, args = sys.argv[1], sys.argv[2:]
    if verb == "check":
        problem = check(args[0])
        if problem:
            print(problem)
            sys.exit(1)
    elif verb == "index-plane":
        index_plane(args[0])
    elif verb == "make-ppm":
        make_ppm(args[0], int(args[1]), int(args[2]))
    elif verb == "rows":
        rows(args[0], args[1], int(args[2]), int(args[3]))
    else:
        sys.exit(__doc__)
