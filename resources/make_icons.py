#!/usr/bin/env python3
"""Draws the program's icons and writes them as .ico files (standard library only).

    python3 resources/make_icons.py [output-directory]

vellumere.ico (101)  a framed landscape with a sun: the notification-area, About
                     box and program-file icon, transparent around the frame. It
                     holds every size Windows asks for at 100 to 200 % scale and
                     in large views: 16, 20, 24, 32, 48 and 256 pixels, 32-bit
                     colour with alpha (the 256-pixel image as PNG). Its shapes
                     are described in a 32 x 32 unit square and rasterised at
                     each size with 4 x 4 supersampling.
folder_closed.ico    (113) and folder_open.ico (114) and drive.ico (115): the
                     directory tree's images, 16 and 32 pixels. The tree's image
                     list is 16 x 16 without a mask and at the image list's
                     default depth, 4 bits: so they are drawn pixel by pixel,
                     opaque on the window colour (white), in the 16 standard
                     colours only, and come out of that list unchanged.
"""
import math
import os
import struct
import sys
import zlib

SUPERSAMPLE = 4


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x < x1 and y0 <= y < y1


def polygon(points):
    def inside(x, y):
        hit = False
        j = len(points) - 1
        for i, (xi, yi) in enumerate(points):
            xj, yj = points[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                hit = not hit
            j = i
        return hit
    return inside


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def frame(x0, y0, x1, y1, width):
    outer = rect(x0, y0, x1, y1)
    inner = rect(x0 + width, y0 + width, x1 - width, y1 - width)
    return lambda x, y: outer(x, y) and not inner(x, y)


def render(layers, size, background):
    """layers: list of (shape, (r, g, b, a)) painted in order, in 32-unit space.
    background: (r, g, b, a) under everything. Returns rows of RGBA, top first."""
    scale = 32.0 / size
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(SUPERSAMPLE):
                for sx in range(SUPERSAMPLE):
                    x = (px + (sx + 0.5) / SUPERSAMPLE) * scale
                    y = (py + (sy + 0.5) / SUPERSAMPLE) * scale
                    colour = background
                    for shape, paint in layers:
                        if shape(x, y):
                            colour = paint
                    # Premultiply so that edges against transparency keep their colour.
                    a = colour[3] / 255.0
                    acc[0] += colour[0] * a
                    acc[1] += colour[1] * a
                    acc[2] += colour[2] * a
                    acc[3] += a
            n = SUPERSAMPLE * SUPERSAMPLE
            alpha = acc[3] / n
            if alpha > 0:
                pixel = tuple(int(round(c / acc[3])) for c in acc[:3]) + (int(round(alpha * 255)),)
            else:
                pixel = (0, 0, 0, 0)
            row.append(pixel)
        rows.append(row)
    return rows


def ico_image(rows):
    """One 32-bit icon image: BITMAPINFOHEADER, XOR pixels (BGRA, bottom-up), AND mask."""
    size = len(rows)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            pixels += bytes((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a < 128:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + bytes(pixels) + bytes(mask)


def png_image(rows):
    """One image as a PNG file: 8-bit RGBA, no interlace (how Windows stores 256-pixel icons)."""
    size = len(rows)

    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))

    raw = bytearray()
    for row in rows:
        raw.append(0)  # filter: none
        for pixel in row:
            raw += bytes(pixel)
    header = struct.pack('>IIBBBBB', size, size, 8, 6, 0, 0, 0)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) + chunk(b'IDAT', zlib.compress(bytes(raw), 9))
            + chunk(b'IEND', b''))


def write_ico(path, images):
    count = len(images)
    directory = struct.pack('<HHH', 0, 1, count)
    offset = 6 + 16 * count
    blobs = []
    for rows in images:
        size = len(rows)
        blob = png_image(rows) if size >= 256 else ico_image(rows)
        # A size of 256 is written as 0 in the directory.
        directory += struct.pack('<BBBBHHII', size % 256, size % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
        blobs.append(blob)
    with open(path, 'wb') as out:
        out.write(directory)
        for blob in blobs:
            out.write(blob)


TRANSPARENT = (0, 0, 0, 0)


def program_icon(size):
    """The layers for one size. The frame's straight edges are moved onto whole
    pixels and its dark edge is at least one pixel wide, so that the small sizes
    (the notification area's 16 to 24 pixels) stay sharp instead of blurred."""
    pixel = 32.0 / size

    def snap(v):  # halves round up: starts of edges
        return math.floor(v / pixel + 0.5) * pixel

    def snap_end(v):  # halves round down: ends of edges, so both sides match
        return math.ceil(v / pixel - 0.5) * pixel

    edge = max(1, math.floor(1 / pixel + 0.5)) * pixel
    x0, y0, x1, y1 = snap(2), snap(4), snap(30), snap(28)
    ix0, iy0, ix1, iy1 = snap(5), snap(7), snap_end(27), snap_end(25)
    return [
        (rect(x0, y0, x1, y1), (118, 78, 40, 255)),           # wooden frame
        (frame(x0, y0, x1, y1, edge), (72, 44, 20, 255)),      # its dark edge
        (rect(ix0, iy0, ix1, iy1), (96, 160, 232, 255)),      # sky
        (rect(ix0, snap(16), ix1, iy1), (150, 200, 245, 255)),  # haze near the horizon
        (circle(21, 12, 3.2), (255, 212, 40, 255)),           # sun
        (polygon([(ix0, iy1), (ix0, 19), (11, 13), (17, 19), (20, 17), (ix1, 22), (ix1, iy1)]),
         (54, 140, 62, 255)),                                 # hills
        (polygon([(ix0, iy1), (ix0, 22), (12, 19), (20, 23), (ix1, 21), (ix1, iy1)]),
         (34, 104, 44, 255)),                                 # near meadow
    ]


# The 16 standard colours that a 4-bit image list holds, by letter.
STANDARD = {
    '.': (255, 255, 255, 255),  # white: the window colour behind the picture
    'W': (255, 255, 255, 255),  # white as a highlight
    'K': (0, 0, 0, 255),
    'O': (128, 128, 0, 255),    # olive
    'Y': (255, 255, 0, 255),
    'S': (192, 192, 192, 255),  # silver
    'G': (128, 128, 128, 255),  # grey
    'N': (0, 255, 0, 255),      # green
}

FOLDER_CLOSED = [
    '................',
    '................',
    '................',
    '..OOOOO.........',
    '.OYYYYYO........',
    'OYYYYYYYOOOOOOO.',
    'OWWWWWWWWWWWWWOK',
    'OWYYYYYYYYYYYYOK',
    'OWYYYYYYYYYYYYOK',
    'OWYYYYYYYYYYYYOK',
    'OWYYYYYYYYYYYYOK',
    'OWYYYYYYYYYYYYOK',
    'OWYYYYYYYYYYYYOK',
    'OOOOOOOOOOOOOOOK',
    '.KKKKKKKKKKKKKKK',
    '................',
]

FOLDER_OPEN = [
    '................',
    '................',
    '................',
    '..OOOOO.........',
    '.OYYYYYO........',
    'OYYYYYYYOOOOOO..',
    'OYWWWWWWWWWWWO..',
    'OYWOOOOOOOOOOOOO',
    'OYWOYYYYYYYYYYYO',
    'OYOYYYYYYYYYYYYO',
    'OYOYYYYYYYYYYYOK',
    'OOYYYYYYYYYYYYOK',
    'OOYYYYYYYYYYYOK.',
    'OOOOOOOOOOOOOOK.',
    '.KKKKKKKKKKKKK..',
    '................',
]

DRIVE = [
    '................',
    '................',
    '................',
    '................',
    '................',
    '.WWWWWWWWWWWWWG.',
    '.WSSSSSSSSSSSSGK',
    '.WSSSSSSSSSSSSGK',
    '.WSGGGGGGGSSNSGK',
    '.WSSSSSSSSSSSSGK',
    '.WSSSSSSSSSSSSGK',
    '.GGGGGGGGGGGGGGK',
    '..KKKKKKKKKKKKKK',
    '................',
    '................',
    '................',
]


def pixels(art, size):
    """The 16-pixel drawing at size (a multiple of 16), each pixel repeated."""
    factor = size // len(art)
    return [[STANDARD[art[y // factor][x // factor]] for x in range(size)] for y in range(size)]


def main():
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    os.makedirs(out_dir, exist_ok=True)
    write_ico(os.path.join(out_dir, 'vellumere.ico'),
              [render(program_icon(s), s, TRANSPARENT) for s in (16, 20, 24, 32, 48, 256)])
    for name, art in (('folder_closed.ico', FOLDER_CLOSED), ('folder_open.ico', FOLDER_OPEN), ('drive.ico', DRIVE)):
        write_ico(os.path.join(out_dir, name), [pixels(art, s) for s in (16, 32)])


if __name__ == '__main__':
    main()
