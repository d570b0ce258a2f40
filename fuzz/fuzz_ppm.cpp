// Both pixmap readers on every input: the binary (P6) and the text (P3) one
// share the header code, and each ignores the signature bytes, so one corpus
// serves both.
#include "fuzz/FuzzSupport.h"
#include "image/RasterImage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::runDecoder(data, size, [](RasterImage& image, FILE* stream) { return image.readPpmBinary(stream); });
    return fuzz::runDecoder(data, size, [](RasterImage& image, FILE* stream) { return image.readPpmAscii(stream); });
}
