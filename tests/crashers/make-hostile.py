#!/usr/bin/env python3
"""Makes the hand-made hostile files of tests/crashers/ and their expected
results (tests/crashers/expected/). Run from anywhere; it rewrites only the
files it makes. Needs cjpeg (libjpeg-turbo-progs) and ImageMagick's convert
for the two JPEG files; everything else is written byte by byte here.

Each file is the smallest that showed its fault; what each one is and what
went wrong is in tests/crashers/README.md.
"""
import os
import struct
import subprocess
import tempfile
import zlib

ROOT = os.path.dirname(os.path.abspath(__file__))


def put(target, name, data, exit_code, lines, pixels=None):
    os.makedirs(os.path.join(ROOT, target), exist_ok=True)
    os.makedirs(os.path.join(ROOT, "expected", target), exist_ok=True)
    with open(os.path.join(ROOT, target, name), "wb") as f:
        f.write(data)
    text = "exit %d\n" % exit_code
    if pixels is not None:
        text += "pixels %s\n" % " ".join(str(p) for p in pixels)
    text += "".join(line + "\n" for line in lines)
    with open(os.path.join(ROOT, "expected", target, name + ".txt"), "w") as f:
        f.write(text)


def png_chunk(kind, data, length=None, good_crc=True):
    crc = zlib.crc32(kind + data) & 0xFFFFFFFF
    if not good_crc:
        crc ^= 0xFFFFFFFF
    return struct.pack(">I", len(data) if length is None else length) + kind + data + struct.pack(">I", crc)


def png_1x1_rgb_parts():
    header = png_chunk(b"IHDR", struct.pack(">IIBBBBB", 1, 1, 8, 2, 0, 0, 0))
    data = png_chunk(b"IDAT", zlib.compress(b"\x00\x10\x20\x30", 9))
    return b"\x89PNG\r\n\x1a\n" + header, data + png_chunk(b"IEND", b"")


def gif_header(width, height, packed, background, table=b""):
    return b"GIF89a" + struct.pack("<HHBBB", width, height, packed, background, 0) + table


def gif_descriptor(width, height, packed):
    return b"\x2c" + struct.pack("<HHHHB", 0, 0, width, height, packed)


def pack_codes(codes):
    """Codes (value, width) packed least significant bit first."""
    out, buffer, bits = bytearray(), 0, 0
    for value, width in codes:
        buffer |= value << bits
        bits += width
        while bits >= 8:
            out.append(buffer & 0xFF)
            buffer >>= 8
            bits -= 8
    if bits:
        out.append(buffer & 0xFF)
    return bytes(out)


def jpeg_segments(data):
    """Offsets of the markers of a JPEG file, up to its end marker."""
    at, found = 2, []
    while at + 2 <= len(data):
        assert data[at] == 0xFF
        marker = data[at + 1]
        found.append((marker, at))
        if marker == 0xD9:
            break
        length = struct.unpack(">H", data[at + 2:at + 4])[0]
        at += 2 + length
        if marker == 0xDA:  # entropy-coded data runs to the next marker
            while not (data[at] == 0xFF and data[at + 1] not in (0x00,) and not 0xD0 <= data[at + 1] <= 0xD7):
                at += 1
    return found


def main():
    # Header-only pictures whose planes the program can never hold.
    put("ppm", "header-only-268435456x1.ppm", b"P6\n268435456 1\n255\n", 1,
        ["PPM Reader: Unable to allocate memory for bitmap."])
    pcx = bytearray(128)
    pcx[0:4] = b"\x0a\x05\x01\x08"
    struct.pack_into("<hhhh", pcx, 4, 0, 0, 16383, 16383)
    pcx[65] = 3
    struct.pack_into("<H", pcx, 66, 16384)
    put("pcx", "header-only-16384x16384x24.pcx", bytes(pcx), 1,
        ["PCX Reader: Unable to allocate memory for bitmap."])
    put("sun", "header-only-16384x16384x32.ras",
        struct.pack(">8I", 0x59A66A95, 16384, 16384, 32, 0, 1, 0, 0), 1,
        ["Sun Raster Reader: Unable to allocate memory for bitmap."])

    # Thousands of images without data on a large screen, in turns whole-
    # screen and interlaced one pixel wide, each with the code size 1 that
    # asks for a message.
    gif = bytearray(gif_header(4096, 4096, 0x80, 1, b"\x00\x00\x00\xff\xff\xff"))
    for i in range(8000):
        gif += gif_descriptor(4096, 4096, 0) if i % 2 == 0 else gif_descriptor(1, 32767, 0x40)
        gif += b"\x01\x00"  # minimum code size 1, no data
    gif += b"\x3b"
    put("gif", "empty-images-4096.gif", bytes(gif), 0, ["GIF Reader: Invalid code size"])

    # Code size 1 (clear 2, end 3, first free entry 4, codes of 2 bits):
    # clear; 1; 0 (entry 4 = "1 0", codes grow to 3 bits); the end code gives
    # a 0 and skips the later sub-blocks, but the codes left in its own one
    # still count: 4 "1 0", 5 "0 1", 6 "1 0 0" (codes grow to 4 bits); the
    # padding bits give one more 0 code, and then the data has run out. The
    # skipped sub-block holds 0x3B, which as a block introducer would end the
    # file before the second image, a single 0 over the first pixel.
    codes = pack_codes([(2, 2), (1, 2), (0, 2), (3, 3), (4, 3), (5, 3), (6, 3)])
    gif = bytearray(gif_header(4, 3, 0x80, 1, b"\x00\x00\x00\xff\xff\xff"))
    gif += gif_descriptor(4, 3, 0) + b"\x01" + bytes([len(codes)]) + codes + b"\x01\x3b\x00"
    gif += gif_descriptor(1, 1, 0) + b"\x02" + bytes([2]) + pack_codes([(4, 3), (0, 3), (5, 3)]) + b"\x00"
    gif += b"\x3b"
    put("gif", "end-code-with-code-size-1.gif", bytes(gif), 0, ["GIF Reader: Invalid code size"],
        pixels=[0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 0, 0])

    # A text chunk that claims 2 GB before a file of under 600 bytes ends.
    head, _ = png_1x1_rgb_parts()
    text = b"Comment\x00" + b"x" * 540
    png = head + struct.pack(">I", 0x7FFFFFFF) + b"tEXt" + text
    put("png", "text-chunk-claiming-2gb.png", png, 1,
        ["PNG Reader: tEXt: chunk data is too large", "PNG Reader: Read Error"])

    # 300 ancillary chunks of as many names, each with a wrong checksum.
    head, rest = png_1x1_rgb_parts()
    letters = "abcdefghijklmnopqrstuvwxyz"
    chunks = b""
    for i in range(300):
        name = (letters[i % 26] + letters[(i // 26) % 26] + "X" + letters[(i * 7) % 26]).encode()
        chunks += png_chunk(name, b"damaged", good_crc=False)
    put("png", "300-damaged-chunks.png", head + chunks + rest, 0, ["PNG Reader: aaXa: CRC error"])

    with tempfile.TemporaryDirectory() as work:
        # One small scan repeated: 600 scans of a 1024 x 1024 grey picture.
        pgm = os.path.join(work, "grey.pgm")
        with open(pgm, "wb") as f:
            f.write(b"P5\n1024 1024\n255\n" + bytes([128]) * (1024 * 1024))
        jpeg = subprocess.run(["cjpeg", "-progressive", "-quality", "50", pgm], check=True,
                              stdout=subprocess.PIPE).stdout
        # A flat picture: every scan but the first is little more than its
        # header. The last one (a refinement of the coefficients) is repeated.
        markers = jpeg_segments(jpeg)
        last_scan = [at for marker, at in markers if marker == 0xDA][-1]
        end = [at for marker, at in markers if marker == 0xD9][-1]
        scans = sum(1 for marker, _ in markers if marker == 0xDA)
        repeated = jpeg[:end] + jpeg[last_scan:end] * (600 - scans) + jpeg[end:]
        put("jpeg", "600-scans-1024.jpg", repeated, 1,
            ["Inconsistent progression sequence for component 0 coefficient 1",
             "JPEG Reader: Progressive JPEG image has more than 100 scans."])

        # A progressive CMYK picture without subsampling whose header says
        # 9300 x 9300: its planes fit under the ceiling of every build, but
        # the coefficients the library must keep (8 bytes a pixel) exceed its
        # budget in every build.
        ppm = os.path.join(work, "small.ppm")
        with open(ppm, "wb") as f:
            f.write(b"P6\n8 8\n255\n" + bytes(range(192)))
        cmyk = os.path.join(work, "cmyk.jpg")
        subprocess.run(["convert-im6.q16", ppm, "-colorspace", "CMYK", "-sampling-factor", "1x1",
                        "-interlace", "JPEG", "-strip", "JPEG:" + cmyk], check=True)
        with open(cmyk, "rb") as f:
            data = bytearray(f.read())
        frame = [at for marker, at in jpeg_segments(bytes(data)) if marker == 0xC2][0]
        struct.pack_into(">HH", data, frame + 5, 9300, 9300)
        put("jpeg", "cmyk-progressive-9300.jpg", bytes(data), 1, ["JPEG Reader: Backing store not supported"])


if __name__ == "__main__":
    main()
