#!/usr/bin/env python3
"""Writes the pictures and directories that the end-to-end scenarios use.

    make_data.py WORKDIR

landscape.ppm           a 640 x 480 binary pixmap (the start-up wallpaper)
landscape.expected.bmp  the bitmap the program must write for it, built here
                        independently: 24 bits, bottom-up, rows padded to 4
                        bytes, 45074 pixels per metre
one.bmp two.bmp three.bmp  small bitmaps, used where they lie
pics/                   two bitmaps, a text file and sub/ with one bitmap
many/                   30 bitmaps with long names (more than 2048 characters
                        of image list together)
wide.ppm                a 400 x 100 pixmap, left half red, right half blue
                        (how the positions lay it out shows clearly)
shuffle/                five small bitmaps s1.bmp ... s5.bmp
names/                  pictures named in Greek (αβγ.bmp), Chinese (中文.ppm,
                        a copy of landscape.ppm), with an emoji
                        (🌄 sunrise.bmp) and in Latin outside ASCII
                        (café.bmp, naïve.bmp);
                        Ελληνικά/δέντρο.bmp inside a Greek-named directory;
                        日本.bmp (a name of the Japanese code page)
"""
import os
import struct
import sys


def bmp24(width, height, pixel, pels_per_metre):
    """A bottom-up 24-bit bitmap; pixel(x, y) gives (r, g, b) with row 0 at the top."""
    pad = bytes((4 - (width * 3) % 4) % 4)
    rows = bytearray()
    for y in range(height - 1, -1, -1):
        for x in range(width):
            r, g, b = pixel(x, y)
            rows += bytes((b, g, r))
        rows += pad
    header = b'BM' + struct.pack('<IHHI', 54 + len(rows), 0, 0, 54)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0, 0,
                       pels_per_metre, pels_per_metre, 0, 0)
    return header + info + bytes(rows)


def landscape(x, y):
    # Sky to sea gradient with a sun and rolling hills: easy to recognise on the desktop.
    w, h = 640, 480
    horizon = 300 + int(30 * ((x / w) - 0.5) ** 2 * 4)
    if (x - 470) ** 2 + (y - 120) ** 2 < 50 ** 2:
        return (255, 214, 60)
    if y < horizon:
        t = y / horizon
        return (int(40 + 120 * t), int(90 + 110 * t), int(200 + 50 * t))
    t = (y - horizon) / (h - horizon)
    return (int(40 + 30 * t), int(140 - 60 * t), int(50 + 10 * t))


def main():
    work = sys.argv[1]
    os.makedirs(work, exist_ok=True)
    width, height = 640, 480
    pixels = bytearray()
    for y in range(height):
        for x in range(width):
            pixels += bytes(landscape(x, y))
    with open(os.path.join(work, 'landscape.ppm'), 'wb') as out:
        out.write(b'P6\n# end-to-end test picture\n%d %d\n255\n' % (width, height) + bytes(pixels))
    with open(os.path.join(work, 'landscape.expected.bmp'), 'wb') as out:
        out.write(bmp24(width, height, landscape, 45074))

    small = bmp24(4, 3, lambda x, y: (60 * x, 80 * y, 200), 2835)
    for name in ('one.bmp', 'two.bmp', 'three.bmp'):
        with open(os.path.join(work, name), 'wb') as out:
            out.write(small)

    pics = os.path.join(work, 'pics')
    os.makedirs(os.path.join(pics, 'sub'), exist_ok=True)
    for name in ('b.bmp', 'd.bmp', os.path.join('sub', 'c.bmp')):
        with open(os.path.join(pics, name), 'wb') as out:
            out.write(small)
    with open(os.path.join(pics, 'notes.txt'), 'w') as out:
        out.write('not a picture\n')

    wide = bytearray()
    for y in range(100):
        for x in range(400):
            wide += bytes((255, 0, 0) if x < 200 else (0, 0, 255))
    with open(os.path.join(work, 'wide.ppm'), 'wb') as out:
        out.write(b'P6\n400 100\n255\n' + bytes(wide))

    shuffle = os.path.join(work, 'shuffle')
    os.makedirs(shuffle, exist_ok=True)
    for i in range(1, 6):
        with open(os.path.join(shuffle, 's%d.bmp' % i), 'wb') as out:
            out.write(small)

    # One picture at first; the scenario that excludes it adds a second.
    exclude = os.path.join(work, 'exclude')
    os.makedirs(exclude, exist_ok=True)
    with open(os.path.join(exclude, 'x.bmp'), 'wb') as out:
        out.write(small)

    # Names outside any one ANSI code page; each picture a colour of its own.
    names = os.path.join(work, 'names')
    os.makedirs(os.path.join(names, 'Ελληνικά'), exist_ok=True)
    for name, colour in (('αβγ.bmp', (200, 30, 30)), ('🌄 sunrise.bmp', (250, 180, 40)),
                         ('café.bmp', (120, 70, 20)), ('naïve.bmp', (20, 120, 20)), ('日本.bmp', (230, 230, 230)),
                         (os.path.join('Ελληνικά', 'δέντρο.bmp'), (30, 160, 60))):
        with open(os.path.join(names, name), 'wb') as out:
            out.write(bmp24(4, 3, lambda x, y, c=colour: c, 2835))
    with open(os.path.join(work, 'landscape.ppm'), 'rb') as source, \
            open(os.path.join(names, '中文.ppm'), 'wb') as out:
        out.write(source.read())

    many = os.path.join(work, 'many')
    os.makedirs(many, exist_ok=True)
    for i in range(30):
        name = 'holiday-picture-with-a-rather-long-descriptive-file-name-number-%02d.bmp' % i
        with open(os.path.join(many, name), 'wb') as out:
            out.write(small)


if __name__ == '__main__':
    main()
