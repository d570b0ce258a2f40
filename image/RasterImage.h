// The decoded picture: the one record every reader fills and the BMP writer
// reads. Portable: no system headers beyond the C runtime.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

class RasterImage {
public:
    // Requests above this many pixels fail in allocate() like any other
    // allocation failure. 2^28 pixels (e.g. 16384 x 16384) is far beyond real
    // wallpapers yet keeps every plane and the written bitmap below 4 GiB.
    static constexpr int64_t kDefaultPixelLimit = int64_t(1) << 28;

    int32_t width;
    int32_t height;
    int32_t bitDepth;
    uint8_t* planes[4];
    uint8_t* palette;  // 256 entries of red, green, blue

    RasterImage();
    ~RasterImage();
    RasterImage(const RasterImage&) = delete;
    RasterImage& operator=(const RasterImage&) = delete;

    // Obtains the planes (and palette) for the current width, height and
    // bitDepth. 1 on success, 0 on failure (including a negative size, a
    // product above the pixel limit, or an unsupported depth).
    int allocate();

    // Identifies the file by its first bytes and runs one reader.
    int load(FILE* stream, const char* path);

    int readPcx(FILE* stream);
    int readGif(FILE* stream);
    int readPpmBinary(FILE* stream);
    int readPpmAscii(FILE* stream);
    int readQrt(FILE* stream);
    int readSunRaster(FILE* stream);
    int readJpeg(FILE* stream);
    int readPng(FILE* stream);

    // Writes the picture as an uncompressed bitmap file at path. 1 when the
    // whole file was written and closed; 0 after a message otherwise.
    int writeBmp(const char* path);
    // The whole file for an indexed or a colour picture onto an open stream;
    // 0 when a write failed (no message: writeBmp shows it).
    int writeBmp8(FILE* stream);
    int writeBmp24(FILE* stream);

    // width x height once allocate() has succeeded (never negative then).
    size_t pixelCount() const { return size_t(width) * size_t(height); }

    // The ceiling used by allocate(); fuzzers lower it so they do not chase
    // memory limits. Process-wide.
    static void setPixelLimit(int64_t limit);
    static int64_t pixelLimit();

private:
    void release();
};

// Byte-order readers over the input stream; a byte missing at end of file
// reads as 0xFF.
uint16_t readUint16LE(FILE* stream);
uint32_t readUint32BE(FILE* stream);

// Format detection helpers.
bool matchSignature(const char* pattern, const unsigned char* fileBytes);
bool isQrtFile(FILE* stream);
