// The decoded picture: the one record every reader fills and the BMP writer
// reads. Portable: no system headers beyond the C runtime.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

struct DecodeHint;

class RasterImage {
public:
    // The ceiling on the bytes of all planes of one picture together: a
    // request above it fails in allocate() like any other allocation failure.
    //
    // 32-bit builds (the shipped program): 256 MiB. The process has 2 GB of
    // address space, fragmented by the system's libraries, and a reader holds
    // up to as much again beside the planes while it decodes (the PNG reader's
    // row buffers, the JPEG library's budget below), so a picture at the
    // ceiling peaks near 512 MiB and still leaves the writer and the rest of
    // the program room. An 8K picture (7680 x 4320) needs 127 MiB with alpha,
    // 95 MiB without.
    // 64-bit builds: 512 MiB, a 16384 x 8192 picture with alpha; more than any
    // wallpaper needs, and a tiny header cannot make a reader fill gigabytes.
    static constexpr int64_t kPlaneByteLimit32 = int64_t(256) << 20;
    static constexpr int64_t kPlaneByteLimit64 = int64_t(512) << 20;
    static constexpr int64_t kDefaultPlaneByteLimit = sizeof(void*) <= 4 ? kPlaneByteLimit32 : kPlaneByteLimit64;

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
    // bitDepth. 1 on success, 0 on failure (including a negative size, planes
    // above the ceiling, or an unsupported depth).
    int allocate();

    // Identifies the file by its first bytes and runs one reader. With a
    // hint (image/DecodeHint.h), a reader that can decode at a reduced size
    // does so, as far as the hint allows; width and height are then the
    // decoded ones. The other readers decode at full size.
    int load(FILE* stream, const char* path, const DecodeHint* hint = nullptr);

    int readPcx(FILE* stream);
    int readGif(FILE* stream);
    int readPpmBinary(FILE* stream);
    int readPpmAscii(FILE* stream);
    int readQrt(FILE* stream);
    int readSunRaster(FILE* stream);
    int readJpeg(FILE* stream);
    // The smallest of 1/8, 2/8, 3/8 and 4/8 of the full size that still
    // covers the hint (the full size when none does); a picture whose full
    // size is above the ceiling, up to twice it, may pass reduced.
    int readJpeg(FILE* stream, const DecodeHint& hint);
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

    // Bytes of all planes of a picture of this size and depth, or -1 when
    // allocate() could never obtain them (negative size, unsupported depth).
    static int64_t planeBytes(int64_t width, int64_t height, int32_t bitDepth);

    // True when allocate() would not refuse this picture for its size: a
    // reader that holds buffers of its own besides the planes checks this
    // before it obtains them.
    static bool withinCeiling(int64_t width, int64_t height, int32_t bitDepth);

    // The ceiling used by allocate() (kDefaultPlaneByteLimit unless changed).
    // Process-wide.
    static void setPlaneByteLimit(int64_t limit);
    static int64_t planeByteLimit();

private:
    void release();
};

// Format detection helpers.
bool matchSignature(const char* pattern, const unsigned char* fileBytes);
bool isQrtFile(FILE* stream);
