#include "fuzz/FuzzSupport.h"

#include <cstdlib>
#include <cstring>

#include "image/RasterImage.h"
#include "platform/Messages.h"

namespace fuzz {
namespace {

// Message boxes would flood the fuzzer's output; the readers' texts are
// checked by the unit tests, not here.
class SilentSink : public platform::MessageSink {
public:
    int show(const std::string&, const std::string&, unsigned style) override {
        const unsigned buttons = style & 0xF;
        return (buttons == platform::kMbYesNo || buttons == platform::kMbYesNoCancel) ? platform::kIdYes
                                                                                      : platform::kIdOk;
    }
};

void setUpOnce() {
    static bool done = false;
    if (done) return;
    done = true;
    static SilentSink sink;
    platform::setMessageSink(&sink);
    RasterImage::setPlaneByteLimit(RasterImage::kPlaneByteLimit32);
}

// Opens the bytes as a stream. fmemopen refuses an empty buffer on some C
// libraries, and an empty file is a real input, so it gets /dev/null.
FILE* openInput(const uint8_t* data, size_t size) {
    if (size == 0) return std::fopen("/dev/null", "rb");
    return fmemopen(const_cast<uint8_t*>(data), size, "rb");
}

size_t expectedBitmapLength(const RasterImage& image, size_t bytesPerPixel, size_t headerBytes) {
    if (image.width <= 0 || image.height <= 0) return headerBytes;
    const size_t stride = (size_t(image.width) * bytesPerPixel + 3) & ~size_t(3);
    return headerBytes + size_t(image.height) * stride;
}

// Counts the bytes written and folds them into a sum, so every byte of the
// bitmap is produced and looked at without holding a picture-sized copy
// (a picture at the ceiling would need hundreds of megabytes).
struct CountingSink {
    size_t length = 0;
    unsigned sum = 0;
};

ssize_t countBytes(void* cookie, const char* data, size_t size) {
    auto* sink = static_cast<CountingSink*>(cookie);
    for (size_t i = 0; i < size; ++i) sink->sum += uint8_t(data[i]);
    sink->length += size;
    return ssize_t(size);
}

// Writes the picture the way the program turns it into its wallpaper file.
// A written length that disagrees with the picture's size is a fault too.
void writeBitmap(RasterImage& image) {
    CountingSink sink;
    cookie_io_functions_t functions = {};
    functions.write = countBytes;
    FILE* out = fopencookie(&sink, "wb", functions);
    if (!out) return;
    size_t expected = 0;
    bool written = true;
    if (image.bitDepth == 24 || image.bitDepth == 32) {
        image.writeBmp24(out);
        expected = expectedBitmapLength(image, 3, 54);
    } else if (image.bitDepth >= 1 && image.bitDepth <= 8) {
        image.writeBmp8(out);
        expected = expectedBitmapLength(image, 1, 54 + 1024);
    } else {
        written = false;  // the writer refuses such a depth before writing pixels
    }
    std::fclose(out);
    if (written && sink.length != expected) {
        std::fprintf(stderr, "bitmap of %ldx%ld depth %ld: %zu bytes written, %zu expected\n", long(image.width),
                     long(image.height), long(image.bitDepth), sink.length, expected);
        std::abort();
    }
    volatile unsigned keep = sink.sum;
    (void)keep;
    // The fourth plane is not written; read it so a short fill shows up.
    if (image.bitDepth == 32 && image.planes[3] && image.width > 0 && image.height > 0) {
        volatile unsigned sum = 0;
        const size_t count = image.pixelCount();
        for (size_t i = 0; i < count; ++i) sum = sum + image.planes[3][i];
    }
}

}  // namespace

int runDecoder(const uint8_t* data, size_t size, Decode decode) {
    setUpOnce();
    if (size > kMaxInputBytes) return 0;
    FILE* in = openInput(data, size);
    if (!in) return 0;
    {
        RasterImage image;
        if (decode(image, in)) writeBitmap(image);
    }
    std::fclose(in);
    return 0;
}

}  // namespace fuzz
