// The whole way in: signature table, QRT size test, then whichever reader
// the bytes select.
#include "fuzz/FuzzSupport.h"
#include "image/RasterImage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fuzz::runDecoder(data, size,
                            [](RasterImage& image, FILE* stream) { return image.load(stream, "fuzz-input"); });
}
