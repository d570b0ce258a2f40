// POV-Ray raw output (.qrt): a width and a height, then line records that
// each name the row they fill, in any order. Always 24-bit.
#include <cstring>

#include "image/ByteSource.h"
#include "image/RasterImage.h"
#include "readers/ReaderSupport.h"

namespace {

const char kCaption[] = "QRT Reader";

// Reads count samples into row; samples missing at the end of the file are
// 0xFF, as a byte read there would give.
void readSamples(ByteSource& in, uint8_t* row, size_t count) {
    const size_t got = in.read(row, count);
    if (got < count) std::memset(row + got, 0xFF, count - got);
}

}  // namespace

int RasterImage::readQrt(FILE* stream) {
    ByteSource in(stream);
    width = readUint16LE(in);
    height = readUint16LE(in);
    bitDepth = 24;
    if (!allocate()) return readers::warn("Unable to allocate memory for bitmap.", kCaption);

    const size_t rowLength = size_t(width);
    for (;;) {
        // The end of the file reads as row 0xFFFF, which ends the records.
        const uint16_t row = readUint16LE(in);
        if (row == 0xFFFF) break;
        if (row >= height) {
            in.skip(3 * rowLength);  // belongs to no row
            continue;
        }
        const size_t offset = size_t(row) * rowLength;
        readSamples(in, planes[2] + offset, rowLength);
        readSamples(in, planes[1] + offset, rowLength);
        readSamples(in, planes[0] + offset, rowLength);
    }
    return 1;
}
