// Sun Raster pictures of 8, 24 or 32 bits, plain (type 0) or byte-encoded
// with the 0x80 escape (type 2). Each row holds one group of `width` bytes
// per plane (blue, green, red, then the fourth for 32 bits), without padding.
#include <cstring>

#include "image/ByteSource.h"
#include "image/RasterImage.h"
#include "readers/ReaderSupport.h"

namespace {

const char kCaption[] = "Sun Raster Reader";

// Decodes one group of rowLength bytes. A run never carries over into the
// next group: copies that do not fit are dropped. Bytes missing at the end
// of the file read as 0xFF literals.
void decodeSunRow(uint8_t* row, size_t rowLength, ByteSource& in) {
    size_t position = 0;
    while (position < rowLength) {
        const int c = in.get();
        if (c < 0) {
            // Every byte from here on reads as a 0xFF literal.
            std::memset(row + position, 0xFF, rowLength - position);
            return;
        }
        if (c != 0x80) {
            row[position++] = uint8_t(c);
            continue;
        }
        const uint8_t n = in.byte();
        if (n == 0) {
            row[position++] = 0x80;
            continue;
        }
        const uint8_t value = in.byte();
        size_t copies = size_t(n) + 1;
        if (copies > rowLength - position) copies = rowLength - position;
        std::memset(row + position, value, copies);
        position += copies;
    }
}

}  // namespace

int RasterImage::readSunRaster(FILE* stream) {
    ByteSource in(stream);
    in.seek(4);
    width = int32_t(readUint32BE(in) & 0xFFFF);
    height = int32_t(readUint32BE(in) & 0xFFFF);
    bitDepth = int32_t(readUint32BE(in) & 0xFFFF);
    readUint32BE(in);  // length of the image data: the size follows from the header
    const uint32_t type = readUint32BE(in);

    if (!allocate()) return readers::warn("Unable to allocate memory for bitmap.", kCaption);

    const uint32_t mapType = readUint32BE(in);
    in.skip(4);  // the map length: a map is always 256 entries
    if (mapType == 1 && bitDepth != 24 && bitDepth != 32) {
        uint8_t map[768];
        const size_t got = in.read(map, sizeof map);
        if (got < sizeof map) std::memset(map + got, 0xFF, sizeof map - got);
        for (int i = 0; i < 256; ++i) {
            palette[3 * i] = map[i];
            palette[3 * i + 1] = map[256 + i];
            palette[3 * i + 2] = map[512 + i];
        }
    }

    if (type != 0 && type != 2) return readers::warn("Unsupported compression method.", kCaption);
    if (bitDepth != 8 && bitDepth != 24 && bitDepth != 32) {
        return readers::warn("Unsupported colour depth.", kCaption);
    }

    const size_t rowLength = size_t(width);
    const int planeCount = bitDepth == 8 ? 1 : bitDepth / 8;
    if (type == 0 && bitDepth == 8) {
        // A short file leaves what it cannot supply as it was.
        in.read(planes[0], pixelCount());
        return 1;
    }
    for (size_t y = 0; y < size_t(height); ++y) {
        for (int p = 0; p < planeCount; ++p) {
            uint8_t* row = planes[p] + y * rowLength;
            if (type == 0) {
                in.read(row, rowLength);
            } else {
                decodeSunRow(row, rowLength, in);
            }
        }
    }
    return 1;
}
