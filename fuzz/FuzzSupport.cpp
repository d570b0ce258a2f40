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
        return (buttons == platform::kMbYesNo || buttons == platform::kMbYesNoCancel)
                   ? platform::kIdYes
                   : platform::kIdOk;
    }
};

void setUpOnce() {
    static bool done = false;
    if (done) return;
    done = true;
    static SilentSink sink;
    platform::setMessageSink(&sink);
    RasterImage::setPixelLimit(kPixelLimit);
}

// Opens the bytes as a stream. fmemopen refuses an empty buffer on some C
// libraries, and an empty file is a real input, so it gets /dev/null.
FILE* openInput(const uint8_t* data, size_t size) {
    if (size == 0) return std::fopen("/dev/null", "rb");
    return fmemopen(const_cast<uint8_t*>(data), size, "rb");
}

// The PNG reader sizes its row buffers from the header before it asks for the
// planes, so the pixel limit alone would let a tiny file claim gigabytes (as a
// real file could, where the allocation failure is then reported). Such
// headers are passed over, as image libraries' own fuzzers do with their
// size limits.
bool claimsHugePng(const uint8_t* data, size_t size) {
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (size < 24 || std::memcmp(data, kSignature, 8) != 0) return false;
    const auto be32 = [&](size_t at) {
        return uint32_t(data[at]) << 24 | uint32_t(data[at + 1]) << 16 |
               uint32_t(data[at + 2]) << 8 | uint32_t(data[at + 3]);
    };
    return uint64_t(be32(16)) * uint64_t(be32(20)) > uint64_t(kPixelLimit);
}

size_t expectedBitmapLength(const RasterImage& image, size_t bytesPerPixel, size_t headerBytes) {
    if (image.width <= 0 || image.height <= 0) return headerBytes;
    const size_t stride = (size_t(image.width) * bytesPerPixel + 3) & ~size_t(3);
    return headerBytes + size_t(image.height) * stride;
}

// Writes the picture the way the program turns it into its wallpaper file.
// A written length that disagrees with the picture's size is a fault too.
void writeBitmap(RasterImage& image) {
    char* buffer = nullptr;
    size_t length = 0;
    FILE* out = open_memstream(&buffer, &length);
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
    if (written && length != expected) {
        std::fprintf(stderr, "bitmap of %ldx%ld depth %ld: %zu bytes written, %zu expected\n",
                     long(image.width), long(image.height), long(image.bitDepth), length,
                     expected);
        std::abort();
    }
    // The fourth plane is not written; read it so a short fill shows up.
    if (image.bitDepth == 32 && image.planes[3] && image.width > 0 && image.height > 0) {
        volatile unsigned sum = 0;
        const size_t count = image.pixelCount();
        for (size_t i = 0; i < count; ++i) sum = sum + image.planes[3][i];
    }
    std::free(buffer);
}

}  // namespace

int runDecoder(const uint8_t* data, size_t size, Decode decode) {
    setUpOnce();
    if (size > kMaxInputBytes || claimsHugePng(data, size)) return 0;
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
