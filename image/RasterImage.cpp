#include "image/RasterImage.h"

#include <cstdlib>

namespace {

int64_t currentPixelLimit = RasterImage::kDefaultPixelLimit;

// Buffers start cleared: a reader that fills fewer pixels or palette entries
// than the picture has must not leave stale memory in the written bitmap, and
// large requests come zeroed from the system anyway. An empty picture is
// still a successful request.
uint8_t* obtain(size_t bytes) {
    return static_cast<uint8_t*>(std::calloc(bytes ? bytes : 1, 1));
}

}  // namespace

void RasterImage::setPixelLimit(int64_t limit) {
    currentPixelLimit = limit;
}

int64_t RasterImage::pixelLimit() {
    return currentPixelLimit;
}

RasterImage::RasterImage()
    : width(0), height(0), bitDepth(0), planes{nullptr, nullptr, nullptr, nullptr}, palette(nullptr) {}

RasterImage::~RasterImage() {
    release();
}

int RasterImage::allocate() {
    const bool indexed = bitDepth >= 1 && bitDepth <= 8;
    if (!indexed && bitDepth != 24 && bitDepth != 32) return 0;

    // A size read from a hostile header must neither wrap around nor ask for
    // more than any wallpaper could need.
    if (width < 0 || height < 0) return 0;
    const int64_t pixels = int64_t(width) * int64_t(height);
    if (pixels > currentPixelLimit) return 0;
    const size_t bytes = size_t(pixels);

    if (indexed) {
        if (!(planes[0] = obtain(bytes))) return 0;
        if (!(palette = obtain(768))) return 0;
        return 1;
    }
    const int count = bitDepth == 32 ? 4 : 3;
    for (int i = 0; i < count; ++i) {
        if (!(planes[i] = obtain(bytes))) return 0;
    }
    return 1;
}

void RasterImage::release() {
    // Every pointer not obtained is null, so releasing them all is safe
    // whatever the depth says now.
    for (uint8_t*& plane : planes) {
        std::free(plane);
        plane = nullptr;
    }
    std::free(palette);
    palette = nullptr;
}

uint16_t readUint16LE(FILE* stream) {
    const unsigned low = unsigned(std::fgetc(stream)) & 0xFFu;
    const unsigned high = unsigned(std::fgetc(stream)) & 0xFFu;
    return uint16_t(low | (high << 8));
}

uint32_t readUint32BE(FILE* stream) {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
        value = (value << 8) | (uint32_t(std::fgetc(stream)) & 0xFFu);
    }
    return value;
}
