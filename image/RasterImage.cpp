#include "image/RasterImage.h"

#include <cstdint>
#include <cstdlib>

namespace {

int64_t currentPlaneByteLimit = RasterImage::kDefaultPlaneByteLimit;

// Buffers start cleared: a reader that fills fewer pixels or palette entries
// than the picture has must not leave stale memory in the written bitmap, and
// large requests come zeroed from the system anyway. An empty picture is
// still a successful request.
uint8_t* obtain(size_t bytes) {
    return static_cast<uint8_t*>(std::calloc(bytes ? bytes : 1, 1));
}

}  // namespace

void RasterImage::setPlaneByteLimit(int64_t limit) {
    currentPlaneByteLimit = limit;
}

int64_t RasterImage::planeByteLimit() {
    return currentPlaneByteLimit;
}

int64_t RasterImage::planeBytes(int64_t width, int64_t height, int32_t bitDepth) {
    int64_t planeCount;
    if (bitDepth >= 1 && bitDepth <= 8) {
        planeCount = 1;
    } else if (bitDepth == 24 || bitDepth == 32) {
        planeCount = bitDepth / 8;
    } else {
        return -1;
    }
    if (width < 0 || height < 0) return -1;
    // Sizes come from 32-bit fields, so the product cannot wrap in 64 bits
    // unless it is absurd anyway; stop before it could.
    if (width > (int64_t(1) << 31) || height > (int64_t(1) << 31)) return INT64_MAX;
    const int64_t pixels = width * height;
    if (pixels > INT64_MAX / 4) return INT64_MAX;
    return pixels * planeCount;
}

bool RasterImage::withinCeiling(int64_t width, int64_t height, int32_t bitDepth) {
    const int64_t bytes = planeBytes(width, height, bitDepth);
    return bytes >= 0 && bytes <= currentPlaneByteLimit;
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
    // more than the process can hold beside its output.
    if (!withinCeiling(width, height, bitDepth)) return 0;
    const size_t bytes = size_t(int64_t(width) * int64_t(height));

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
