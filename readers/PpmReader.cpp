// Portable pixmaps: P6 (one byte per sample) and P3 (decimal text samples).
// Samples are stored as read, never scaled by the maximum value.
#include <cstring>
#include <vector>

#include "image/ByteSource.h"
#include "image/RasterImage.h"
#include "readers/ReaderSupport.h"

namespace {

const char kCaption[] = "PPM Reader";

bool isScanSpace(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The effect of one "%d" scan: white space skipped, an optional sign and
// decimal digits read; the first byte that cannot continue the number is
// left unread. On failure the target keeps its value (a sign with no digit
// after it is still consumed, as the runtime's scan does). Digits beyond the
// 32-bit range wrap; only the low bits of a sample matter anyway.
bool scanDecimal(ByteSource& in, int32_t& target) {
    int c = in.get();
    while (isScanSpace(c)) c = in.get();
    if (c < 0) return false;
    bool negative = false;
    if (c == '+' || c == '-') {
        negative = c == '-';
        c = in.get();
    }
    if (c < '0' || c > '9') {
        if (c >= 0) in.unget();
        return false;
    }
    uint32_t value = 0;
    do {
        value = value * 10u + uint32_t(c - '0');
        c = in.get();
    } while (c >= '0' && c <= '9');
    if (c >= 0) in.unget();
    target = int32_t(negative ? 0u - value : value);
    return true;
}

// Header shared by both forms: comment lines from offset 3, then width,
// height and the maximum sample value (scanned into `sample`, which the text
// reader goes on using for its samples).
void readHeader(RasterImage& image, ByteSource& in, int32_t& sample) {
    in.seek(3);
    int c = in.get();
    while (c == '#') {
        do {
            c = in.get();
        } while (c >= 0 && c != '\n');
        c = in.get();
    }
    if (c >= 0) in.unget();

    scanDecimal(in, image.width);
    scanDecimal(in, image.height);
    scanDecimal(in, sample);
}

int allocateOrReport(RasterImage& image) {
    image.bitDepth = 24;
    if (image.allocate()) return 1;
    return readers::warn("Unable to allocate memory for bitmap.", kCaption);
}

}  // namespace

int RasterImage::readPpmBinary(FILE* stream) {
    ByteSource in(stream);
    int32_t maximum = 0;
    readHeader(*this, in, maximum);
    in.get();  // the single separator after the maximum value
    if (!allocateOrReport(*this)) return 0;

    uint8_t* red = planes[2];
    uint8_t* green = planes[1];
    uint8_t* blue = planes[0];
    const size_t pixels = pixelCount();

    // Rows of RGB triples are read in blocks; bytes past the end of the file
    // read as 0xFF.
    const size_t chunkPixels = 64 * 1024;
    std::vector<uint8_t> chunk(chunkPixels * 3);
    for (size_t done = 0; done < pixels;) {
        const size_t count = pixels - done < chunkPixels ? pixels - done : chunkPixels;
        const size_t got = in.read(chunk.data(), count * 3);
        if (got < count * 3) std::memset(chunk.data() + got, 0xFF, count * 3 - got);
        const uint8_t* rgb = chunk.data();
        for (size_t i = 0; i < count; ++i, rgb += 3) {
            red[done + i] = rgb[0];
            green[done + i] = rgb[1];
            blue[done + i] = rgb[2];
        }
        done += count;
    }
    return 1;
}

int RasterImage::readPpmAscii(FILE* stream) {
    ByteSource in(stream);
    // One integer serves the maximum value and every sample: a failed scan
    // stores the last value read again.
    int32_t sample = 0;
    readHeader(*this, in, sample);
    if (!allocateOrReport(*this)) return 0;

    uint8_t* red = planes[2];
    uint8_t* green = planes[1];
    uint8_t* blue = planes[0];
    const size_t pixels = pixelCount();
    for (size_t i = 0; i < pixels; ++i) {
        scanDecimal(in, sample);
        red[i] = uint8_t(sample);
        scanDecimal(in, sample);
        green[i] = uint8_t(sample);
        scanDecimal(in, sample);
        blue[i] = uint8_t(sample);
    }
    return 1;
}
