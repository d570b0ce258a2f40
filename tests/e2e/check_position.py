#!/usr/bin/env python3
"""Checks a temporary bitmap made from wide.ppm (400 x 100, left half red,
right half blue) for a position on a 1024 x 768 screen.

    check_position.py fit|fill|stretch|center BITMAP
"""
import struct
import sys

RED, BLUE = (255, 0, 0), (0, 0, 255)


def main():
    shape, path = sys.argv[1:3]
    data = open(path, 'rb').read()
    offset, = struct.unpack_from('<I', data, 10)
    width, height, _, bits = struct.unpack_from('<iiHH', data, 18)
    stride = (width * 3 + 3) & ~3

    def pixel(x, y):  # row 0 at the top; rows are stored bottom-up
        at = offset + (height - 1 - y) * stride + 3 * x
        b, g, r = data[at:at + 3]
        return (r, g, b)

    want = {'center': (400, 100)}.get(shape, (1024, 768))
    problems = []
    if (width, height, bits) != want + (24,):
        problems.append('size %dx%d %d-bit, expected %dx%d 24-bit' % ((width, height, bits) + want))
    elif shape == 'fit':
        # 400 x 100 fits as 1024 x 256, centred: bars of one colour above and below.
        bar = pixel(512, 10)
        if bar in (RED, BLUE) or pixel(512, 757) != bar or pixel(512, 255) != bar or pixel(512, 512) != bar:
            problems.append('bars are not one background colour')
        if pixel(10, 384) != RED or pixel(1013, 384) != BLUE or pixel(10, 256) != RED or pixel(10, 511) != RED:
            problems.append('the picture is not where it belongs')
    elif shape == 'fill':
        # Scaled to 3072 x 768 and cut to the middle third: red left, blue right, no bars.
        if pixel(0, 0) != RED or pixel(480, 767) != RED or pixel(544, 0) != BLUE or pixel(1023, 767) != BLUE:
            problems.append('the screen is not covered by the middle of the picture')
    elif shape == 'stretch':
        if pixel(0, 0) != RED or pixel(480, 767) != RED or pixel(544, 0) != BLUE or pixel(1023, 767) != BLUE:
            problems.append('the picture does not cover the screen')
    elif shape == 'center':
        if pixel(0, 0) != RED or pixel(399, 99) != BLUE:
            problems.append('the picture is not written as it is')
    for problem in problems:
        print('  %s: %s' % (path, problem))
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main())
