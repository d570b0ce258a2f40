// The reader for JPEG files, through libjpeg, entered directly as load() would after a match.
// An input whose last byte is odd is decoded as for a small screen (the
// reduced sizes, and full-size headers above the ceiling that reduce below
// it); the others at full size, as format detection alone does.
#include "fuzz/FuzzSupport.h"
#include "image/DecodeHint.h"
#include "image/RasterImage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 0 && (data[size - 1] & 1)) {
        return fuzz::runDecoder(data, size, [](RasterImage& image, FILE* stream) {
            static const ScaleTarget kScreen = {64, 48, ScaleMode::Fill, 0, 0, 0};
            return image.readJpeg(stream, DecodeHint{&kScreen, 1});
        });
    }
    return fuzz::runDecoder(data, size, [](RasterImage& image, FILE* stream) { return image.readJpeg(stream); });
}
