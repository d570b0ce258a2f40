// Uncompressed, bottom-up Windows bitmaps: 8-bit with a full 256-entry colour
// table for indexed pictures, 24-bit for colour ones (a fourth plane is not
// written). Sizes and counters are 32-bit so that pictures wider or higher
// than 32767 pixels come out whole.
#include <cstring>
#include <vector>

#include "image/RasterImage.h"
#include "platform/Messages.h"

namespace {

constexpr uint32_t kPixelsPerMetre = 45074;

size_t rowStride(int32_t width, int bytesPerPixel) {
    const size_t bytes = size_t(width) * size_t(bytesPerPixel);
    return (bytes + 3) & ~size_t(3);
}

void putUint16(uint8_t* at, uint16_t value) {
    at[0] = uint8_t(value);
    at[1] = uint8_t(value >> 8);
}

void putUint32(uint8_t* at, uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = uint8_t(value >> (8 * i));
}

}  // namespace

void writeUint16LE(FILE* stream, uint16_t value) {
    uint8_t bytes[2];
    putUint16(bytes, value);
    std::fwrite(bytes, 1, 2, stream);
}

void writeUint32LE(FILE* stream, uint32_t value) {
    uint8_t bytes[4];
    putUint32(bytes, value);
    std::fwrite(bytes, 1, 4, stream);
}

void writeBmpHeader(FILE* stream, int32_t width, int32_t height, int bytesPerPixel,
                    uint32_t dataOffset, int bitCount) {
    const uint64_t fileSize =
        uint64_t(dataOffset) + uint64_t(height < 0 ? 0 : height) * rowStride(width, bytesPerPixel);
    uint8_t header[54] = {};
    header[0] = 'B';
    header[1] = 'M';
    putUint32(header + 2, uint32_t(fileSize));
    putUint16(header + 6, 0);
    putUint16(header + 8, 0);
    putUint32(header + 10, dataOffset);
    putUint32(header + 14, 40);
    putUint32(header + 18, uint32_t(width));
    putUint32(header + 22, uint32_t(height));
    putUint16(header + 26, 1);
    putUint16(header + 28, uint16_t(bitCount));
    putUint32(header + 30, 0);
    putUint32(header + 34, 0);
    putUint32(header + 38, kPixelsPerMetre);
    putUint32(header + 42, kPixelsPerMetre);
    putUint32(header + 46, 0);
    putUint32(header + 50, 0);
    std::fwrite(header, 1, sizeof header, stream);
}

int RasterImage::writeBmp(const char* path) {
    FILE* out = std::fopen(path, "wb");
    if (!out) {
        platform::showMessage("Unable to open file for writing.", "BMP Writer", platform::kMbOk);
        return 0;
    }
    int result;
    if (bitDepth == 24 || bitDepth == 32) {
        result = writeBmp24(out);
    } else if (bitDepth >= 1 && bitDepth <= 8) {
        result = writeBmp8(out);
    } else {
        platform::showMessage("Unsupported colour depth.", "BMP Writer", platform::kMbIconWarning);
        std::fclose(out);
        return 0;
    }
    std::fclose(out);
    return result;
}

int RasterImage::writeBmp24(FILE* stream) {
    writeBmpHeader(stream, width, height, 3, 54, 24);
    if (width <= 0 || height <= 0) return 1;

    const size_t w = size_t(width);
    std::vector<uint8_t> row(rowStride(width, 3), 0);  // fill bytes stay zero
    for (int32_t y = height - 1; y >= 0; --y) {
        const size_t offset = size_t(y) * w;
        const uint8_t* blue = planes[0] + offset;
        const uint8_t* green = planes[1] + offset;
        const uint8_t* red = planes[2] + offset;
        uint8_t* out = row.data();
        for (size_t x = 0; x < w; ++x, out += 3) {
            out[0] = blue[x];
            out[1] = green[x];
            out[2] = red[x];
        }
        std::fwrite(row.data(), 1, row.size(), stream);
    }
    return 1;
}

int RasterImage::writeBmp8(FILE* stream) {
    writeBmpHeader(stream, width, height, 1, 1078, 8);

    uint8_t table[1024];
    for (int i = 0; i < 256; ++i) {
        table[4 * i] = palette[3 * i + 2];
        table[4 * i + 1] = palette[3 * i + 1];
        table[4 * i + 2] = palette[3 * i];
        table[4 * i + 3] = 0;
    }
    std::fwrite(table, 1, sizeof table, stream);
    if (width <= 0 || height <= 0) return 1;

    const size_t w = size_t(width);
    std::vector<uint8_t> row(rowStride(width, 1), 0);
    for (int32_t y = height - 1; y >= 0; --y) {
        std::memcpy(row.data(), planes[0] + size_t(y) * w, w);
        std::fwrite(row.data(), 1, row.size(), stream);
    }
    return 1;
}
