#!/usr/bin/env python3
"""Draws the program's icons and writes them as .ico files (standard library only).

    python3 resources/make_icons.py [output-directory]

Every shape is described in a 32 x 32 unit square and rasterised at each size
with 4 x 4 supersampling, so the 16-pixel versions stay readable.

vellumere.ico (101)  a framed landscape with a sun: the notification-area and
                     About box icon, transparent around the frame.
folder_closed.ico    (113) and folder_open.ico (114) and drive.ico (115): the
                     directory tree's images. The tree's image list has no mask,
                     so these are drawn opaque on the window colour (white).
"""
import os
import struct
import sys

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


def write_ico(path, images):
    count = len(images)
    directory = struct.pack('<HHH', 0, 1, count)
    offset = 6 + 16 * count
    blobs = []
    for rows in images:
        blob = ico_image(rows)
        size = len(rows)
        directory += struct.pack('<BBBBHHII', size % 256, size % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
        blobs.append(blob)
    with open(path, 'wb') as out:
        out.write(directory)
        for blob in blobs:
            out.write(blob)


TRANSPARENT = (0, 0, 0, 0)
WHITE = (255, 255, 255, 255)


def program_icon():
    return [
        (rect(2, 4, 30, 28), (118, 78, 40, 255)),            # wooden frame
        (frame(2, 4, 30, 28, 1), (72, 44, 20, 255)),          # its dark edge
        (rect(5, 7, 27, 25), (96, 160, 232, 255)),            # sky
        (rect(5, 16, 27, 25), (150, 200, 245, 255)),          # haze near the horizon
        (circle(21, 12, 3.2), (255, 212, 40, 255)),           # sun
        (polygon([(5, 25), (5, 19), (11, 13), (17, 19), (20, 17), (27, 22), (27, 25)]),
         (54, 140, 62, 255)),                                 # hills
        (polygon([(5, 25), (5, 22), (12, 19), (20, 23), (27, 21), (27, 25)]),
         (34, 104, 44, 255)),                                 # near meadow
    ]


def folder_closed():
    return [
        (polygon([(3, 8), (12, 8), (14, 11), (29, 11), (29, 27), (3, 27)]), (150, 110, 20, 255)),
        (polygon([(4, 9), (11.5, 9), (13.5, 12), (28, 12), (28, 26), (4, 26)]), (244, 200, 70, 255)),
        (rect(4, 14, 28, 15.2), (255, 236, 150, 255)),       # highlight along the lid
    ]


def folder_open():
    return [
        (polygon([(3, 8), (12, 8), (14, 11), (27, 11), (27, 27), (3, 27)]), (150, 110, 20, 255)),
        (polygon([(4, 9), (11.5, 9), (13.5, 12), (26, 12), (26, 26), (4, 26)]), (214, 170, 50, 255)),
        (polygon([(3, 27), (8, 16), (31, 16), (26, 27)]), (150, 110, 20, 255)),
        (polygon([(4.5, 26), (9, 17), (29.5, 17), (25, 26)]), (255, 220, 100, 255)),
    ]


def drive():
    return [
        (rect(2, 11, 30, 24), (70, 70, 70, 255)),             # case outline
        (rect(3, 12, 29, 23), (196, 196, 196, 255)),          # case
        (rect(3, 12, 29, 14), (232, 232, 232, 255)),          # top highlight
        (rect(5, 17, 20, 19), (120, 120, 120, 255)),          # slot
        (rect(23, 17, 26, 20), (40, 200, 60, 255)),           # activity light
    ]


def main():
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    os.makedirs(out_dir, exist_ok=True)
    icons = [
        ('vellumere.ico', program_icon(), TRANSPARENT, (16, 32, 48)),
        ('folder_closed.ico', folder_closed(), WHITE, (16, 32)),
        ('folder_open.ico', folder_open(), WHITE, (16, 32)),
        ('drive.ico', drive(), WHITE, (16, 32)),
    ]
    for name, layers, background, sizes in icons:
        write_ico(os.path.join(out_dir, name), [render(layers, s, background) for s in sizes])


if __name__ == '__main__':
    main()
