// The reader for Sun Raster files, entered directly as load() would after a match.
#include "fuzz/FuzzSupport.h"
#include "image/RasterImage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fuzz::runDecoder(data, size, [](RasterImage& image, FILE* stream) { return image.readSunRaster(stream); });
}
