// Placeholders for readers still being written; each real reader overrides
// its stub. This file goes away once every format has its reader.
#include "image/RasterImage.h"

#if defined(__GNUC__) && !defined(_WIN32)
#define VELLUMERE_WEAK __attribute__((weak))
#else
#define VELLUMERE_WEAK
#endif

VELLUMERE_WEAK int RasterImage::readPcx(FILE*) { return 0; }
VELLUMERE_WEAK int RasterImage::readGif(FILE*) { return 0; }
VELLUMERE_WEAK int RasterImage::readQrt(FILE*) { return 0; }
VELLUMERE_WEAK int RasterImage::readSunRaster(FILE*) { return 0; }
VELLUMERE_WEAK int RasterImage::readJpeg(FILE*) { return 0; }
VELLUMERE_WEAK int RasterImage::readPng(FILE*) { return 0; }
