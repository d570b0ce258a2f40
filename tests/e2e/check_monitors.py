#!/usr/bin/env python3
"""Checks a bitmap composed for several monitors: its size, the colour at
the four corners and the middle of each monitor's area, and that a gap (a
pixel no monitor covers) holds none of the monitors' colours.

    check_monitors.py BITMAP WIDTH HEIGHT [turned=X,Y] X,Y,W,H=RRGGBB... [gap=X,Y]

turned=X,Y: the bitmap is meant to be tiled from X,Y (the primary monitor's
top-left), so the virtual screen's pixel x, y is its pixel x - X, y - Y,
taken round its edges.
"""
import struct
import sys


def main():
    path, width, height = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    data = open(path, 'rb').read()
    offset, = struct.unpack_from('<I', data, 10)
    w, h, _, bits = struct.unpack_from('<iiHH', data, 18)
    if (w, h, bits) != (width, height, 24):
        print('  %s: %dx%d %d-bit, expected %dx%d 24-bit' % (path, w, h, bits, width, height))
        return 1
    stride = (w * 3 + 3) & ~3

    args = sys.argv[4:]
    tx = ty = 0
    if args and args[0].startswith('turned='):
        tx, ty = map(int, args.pop(0)[7:].split(','))

    def pixel(x, y):  # row 0 at the top; rows are stored bottom-up
        x, y = (x - tx) % w, (y - ty) % h
        at = offset + (h - 1 - y) * stride + 3 * x
        b, g, r = data[at:at + 3]
        return '%02x%02x%02x' % (r, g, b)

    problems, colours = [], []
    for spec in args:
        if spec.startswith('gap='):
            x, y = map(int, spec[4:].split(','))
            if pixel(x, y) in colours:
                problems.append('gap at %d,%d holds a picture: %s' % (x, y, pixel(x, y)))
            continue
        area, colour = spec.split('=')
        x, y, aw, ah = map(int, area.split(','))
        colours.append(colour)
        for px, py in ((x, y), (x + aw - 1, y), (x, y + ah - 1), (x + aw - 1, y + ah - 1), (x + aw // 2, y + ah // 2)):
            if pixel(px, py) != colour:
                problems.append('%d,%d is %s, expected %s' % (px, py, pixel(px, py), colour))
    for problem in problems:
        print('  %s: %s' % (path, problem))
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main())
