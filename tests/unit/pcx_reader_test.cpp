// PCX files of every depth the reader takes, in both encodings, and the
// damaged and unusual ones.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "image/RasterImage.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct PcxFile {
    int encoding = 1;
    int bitsPerPixel = 8;
    int planeCount = 1;
    int bytesPerLine = 0;
    int xmin = 0, ymin = 0, xmax = 0, ymax = 0;
    Bytes headerPalette = Bytes(48, 0);
    Bytes data;     // scan lines, already encoded
    Bytes trailer;  // what follows them (the 256-colour palette)

    Bytes bytes() const {
        Bytes out;
        out.reserve(128 + data.size() + trailer.size());
        out.resize(128, 0);
        out[0] = 0x0A;
        out[1] = 5;
        out[2] = uint8_t(encoding);
        out[3] = uint8_t(bitsPerPixel);
        const int words[] = {xmin, ymin, xmax, ymax};
        for (size_t i = 0; i < 4; ++i) {
            out[4 + 2 * i] = uint8_t(words[i] & 0xFF);
            out[5 + 2 * i] = uint8_t((words[i] >> 8) & 0xFF);
        }
        std::copy(headerPalette.begin(), headerPalette.end(), out.begin() + 16);
        out[65] = uint8_t(planeCount);
        out[66] = uint8_t(bytesPerLine & 0xFF);
        out[67] = uint8_t(bytesPerLine >> 8);
        out.insert(out.end(), data.begin(), data.end());
        out.insert(out.end(), trailer.begin(), trailer.end());
        return out;
    }
};

PcxFile pcx(int bits, int planes, int width, int height, int bytesPerLine, Bytes data, int encoding = 1,
            Bytes headerPalette = {}, Bytes trailer = {}) {
    PcxFile file;
    file.bitsPerPixel = bits;
    file.planeCount = planes;
    file.xmax = width - 1;
    file.ymax = height - 1;
    file.bytesPerLine = bytesPerLine;
    file.data = std::move(data);
    file.encoding = encoding;
    headerPalette.resize(48, 0);
    file.headerPalette = headerPalette;
    file.trailer = std::move(trailer);
    return file;
}

// The usual encoder: runs of up to 63, and single bytes with both top bits
// set written as runs of one.
Bytes encodeLine(const Bytes& line) {
    Bytes out;
    for (size_t i = 0; i < line.size();) {
        size_t run = 1;
        while (i + run < line.size() && line[i + run] == line[i] && run < 63) ++run;
        if (run > 1 || (line[i] & 0xC0) == 0xC0) out.push_back(uint8_t(0xC0 | run));
        out.push_back(line[i]);
        i += run;
    }
    return out;
}

Bytes ramp(size_t count, int first, int step = 1) {
    Bytes bytes;
    for (size_t i = 0; i < count; ++i) bytes.push_back(uint8_t(first + int(i) * step));
    return bytes;
}

const Bytes kPalette = ramp(768, 3, 7);

test::Decoded readPcx(RasterImage& image, const Bytes& bytes) {
    return test::decode(image, bytes, &RasterImage::readPcx, ".pcx");
}

Bytes plane(const RasterImage& image, int p) {
    return Bytes(image.planes[p], image.planes[p] + image.pixelCount());
}

Bytes entries(const RasterImage& image, size_t first, size_t count) {
    return Bytes(image.palette + 3 * first, image.palette + 3 * (first + count));
}

}  // namespace

TEST(PcxReader, DecodesEveryDepthAndEncoding) {
    // 8 bits, odd width: each line's padding byte is dropped.
    Bytes oddWidth;
    for (const Bytes& row : {Bytes{1, 1, 1, 1, 0xC5, 0xEE}, Bytes{0xC0, 2, 3, 4, 5, 0xEE}, Bytes(6, 9)}) {
        const Bytes encoded = encodeLine(row);
        oddWidth.insert(oddWidth.end(), encoded.begin(), encoded.end());
    }
    // The marker byte before the palette need not be 0x0C: the last block is taken.
    Bytes markedPalette = kPalette;
    markedPalette.insert(markedPalette.begin(), 0x00);
    const Bytes colourLines = {10, 11, 12, 0, 20, 21, 22,   0, 30, 31, 32, 0,
                               40, 40, 40, 0, 50, 51, 0xC0, 0, 60, 61, 62, 0};
    const Bytes fourLine = {1, 2, 3, 4, 5, 6, 7, 8};
    const std::vector<Bytes> colourPlanes = {
        {30, 31, 32, 60, 61, 62}, {20, 21, 22, 50, 51, 0xC0}, {10, 11, 12, 40, 40, 40}};
    const std::vector<Bytes> fourPlanes = {{5, 6}, {3, 4}, {1, 2}, {7, 8}};
    const Bytes monoData = encodeLine({0b10110000, 0b11000000, 0b00000000, 0b01000000});
    const Bytes mono = {1, 0, 1, 1, 0, 0, 0, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    PcxFile bounds = pcx(8, 1, 10, 2, 10, {}, 1, {}, kPalette);
    bounds.xmin = 10;
    bounds.xmax = 19;
    bounds.ymin = -3;
    bounds.ymax = -2;

    struct Case {
        const char* name;
        PcxFile file;
        int depth;
        std::vector<Bytes> planes;  // whole planes 0, 1, ...
        Bytes palette;              // its first entries
        std::function<void(const RasterImage&)> more;
    };
    const Case cases[] = {
        {"8 bits, run-length", pcx(8, 1, 5, 3, 6, oddWidth, 1, {}, markedPalette), 8,
         {{1, 1, 1, 1, 0xC5, 0xC0, 2, 3, 4, 5, 9, 9, 9, 9, 9}}, kPalette, nullptr},
        {"8 bits, uncompressed: cut to the width, top bits are pixels",
         pcx(8, 1, 3, 2, 4, {0xC1, 0xC2, 0xC3, 0x77, 4, 5, 6, 0x77}, 0, {}, kPalette), 8,
         {{0xC1, 0xC2, 0xC3, 4, 5, 6}}, kPalette, nullptr},
        {"count zero swallows its value; a run stops at the line end",
         pcx(8, 1, 4, 2, 4, {0xC0, 0xAA, 1, 2, 0xC6, 7, 0xC1, 0xC8, 3, 4, 5}, 1, {}, kPalette), 8,
         {{1, 2, 7, 7, 0xC8, 3, 4, 5}}, {}, nullptr},
        {"a run uses all six count bits", pcx(8, 1, 40, 1, 40, {0xE8, 0x42}), 8, {Bytes(40, 0x42)}, {}, nullptr},
        {"run-length, cut short: the rest is 0xFF", pcx(8, 1, 4, 3, 4, {1, 2, 3, 4, 5}), 8,
         {{1, 2, 3, 4, 5, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}}, {}, nullptr},
        {"uncompressed, cut short: no palette entry invented from the data", pcx(8, 1, 3, 3, 3, {1, 2, 3, 4}, 0), 8,
         {{1, 2, 3, 4, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}}, Bytes(6, 0xFF), nullptr},
        {"24 bits, uncompressed", pcx(8, 3, 3, 2, 4, colourLines, 0), 24, colourPlanes, {}, nullptr},
        {"24 bits, run-length", pcx(8, 3, 3, 2, 4, encodeLine(colourLines)), 24, colourPlanes, {}, nullptr},
        {"32 bits, uncompressed", pcx(8, 4, 2, 1, 2, fourLine, 0), 32, fourPlanes, {}, nullptr},
        {"32 bits, run-length", pcx(8, 4, 2, 1, 2, encodeLine(fourLine)), 32, fourPlanes, {}, nullptr},
        {"segments shorter than the width leave black", pcx(8, 3, 4, 1, 2, {1, 2, 3, 4, 5, 6}), 24,
         {{5, 6, 0, 0}, {3, 4, 0, 0}, {1, 2, 0, 0}}, {}, nullptr},
        {"4 bits packed, with the header's colours",
         pcx(4, 1, 5, 1, 4, encodeLine({0x01, 0x23, 0x4F, 0xFF}), 1, ramp(48, 100)), 4, {{0, 1, 2, 3, 4}},
         ramp(48, 100), nullptr},
        {"four 1-bit planes hold bit k of each index",
         pcx(1, 4, 8, 1, 1, encodeLine({0b01000110, 0b00100101, 0b00010110, 0b00001101}), 1, ramp(48, 0)), 4,
         {{0, 1, 2, 4, 8, 15, 5, 10}}, ramp(48, 0), nullptr},
        {"16 colours without header colours get the standard ones", pcx(4, 1, 2, 1, 2, {0x0F, 0, 0}), 4, {{0, 15}},
         {0, 0, 0},
         [](const RasterImage& image) {
             EXPECT_EQ(entries(image, 15, 1), (Bytes{255, 255, 255}));
             EXPECT_NE(entries(image, 1, 1), entries(image, 2, 1));
         }},
        {"monochrome: black and white", pcx(1, 1, 10, 2, 2, monoData), 1, {mono}, {0, 0, 0, 255, 255, 255}, nullptr},
        {"monochrome: the header's two entries", pcx(1, 1, 10, 2, 2, monoData, 1, {200, 0, 0, 0, 0, 90}), 1, {mono},
         {200, 0, 0, 0, 0, 90}, nullptr},
        {"2 bits: evenly spaced greys", pcx(2, 1, 5, 1, 2, encodeLine({0b00011011, 0b10000000})), 2,
         {{0, 1, 2, 3, 2}}, {0, 0, 0, 85, 85, 85, 170, 170, 170, 255, 255, 255}, nullptr},
        {"three 1-bit planes", pcx(1, 3, 3, 1, 1, encodeLine({0b10100000, 0b01100000, 0b00100000}), 1, ramp(24, 50)),
         3, {{1, 2, 7}}, ramp(24, 50), nullptr},
        {"unknown encoding reads no pixels", pcx(8, 1, 3, 1, 3, {5, 6, 7}, 2, {}, kPalette), 8, {{0, 0, 0}}, {},
         nullptr},
        {"the bounds give the size whatever their origin", bounds, 8, {}, {},
         [](const RasterImage& image) {
             EXPECT_EQ(image.width, 10);
             EXPECT_EQ(image.height, 2);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RasterImage image;
        auto read = readPcx(image, c.file.bytes());
        EXPECT_EQ(read.result, 1);
        EXPECT_TRUE(read.shown.empty());
        EXPECT_EQ(image.bitDepth, c.depth);
        for (size_t p = 0; p < c.planes.size(); ++p) EXPECT_EQ(plane(image, int(p)), c.planes[p]) << "plane " << p;
        if (c.depth >= 24) {
            EXPECT_EQ(image.palette, nullptr);
        }
        if (!c.palette.empty()) {
            EXPECT_EQ(entries(image, 0, c.palette.size() / 3), c.palette);
        }
        if (c.more) c.more(image);
    }
}

TEST(PcxReader, RunsStraddlingLargeReadsDecodeTheSame) {
    // Literals, one run at about the 16 KiB mark, literals again.
    for (size_t literalsBefore : {16381u, 16382u, 16383u, 16384u, 32767u}) {
        SCOPED_TRACE(literalsBefore);
        Bytes data;
        for (size_t i = 0; i < literalsBefore; ++i) data.push_back(uint8_t(i % 0xC0));
        Bytes pixels = data;
        data.insert(data.end(), {0xC5, 0xAA});
        pixels.insert(pixels.end(), 5, 0xAA);
        while (pixels.size() % 100 != 0 || pixels.size() < literalsBefore + 300) {
            data.push_back(uint8_t(pixels.size() % 0xBF));
            pixels.push_back(uint8_t(pixels.size() % 0xBF));
        }
        RasterImage image;
        ASSERT_EQ(readPcx(image, pcx(8, 1, 100, int(pixels.size() / 100), 100, data, 1, {}, kPalette).bytes()).result,
                  1);
        EXPECT_EQ(plane(image, 0), pixels);
    }
}

TEST(PcxReader, UnsupportedDepthsAndSizesAreAllocationFailures) {
    PcxFile backwards = pcx(8, 1, 1, 1, 4, {});
    backwards.xmin = 5;
    backwards.xmax = 2;
    // 16 bits (8 x 2 planes); bounds backwards; a lone manufacturer byte,
    // every other field reading as 0xFF.
    for (const Bytes& file : {pcx(8, 2, 4, 1, 4, {}).bytes(), backwards.bytes(), Bytes{0x0A}}) {
        SCOPED_TRACE(file.size());
        RasterImage image;
        auto read = readPcx(image, file);
        EXPECT_EQ(read.result, 0);
        ASSERT_EQ(read.shown.size(), 1u);
        EXPECT_EQ(read.shown[0].text, "Unable to allocate memory for bitmap.");
        EXPECT_EQ(read.shown[0].caption, "PCX Reader");
        EXPECT_EQ(read.shown[0].style, platform::kMbIconWarning);
    }
}

// Bounded by construction (the reader stops at the file's end); how long it
// takes is the benchmark's business.
TEST(PcxReader, HugeLinesOfAnEmptyFileReadAsMissingBytes) {
    RasterImage image;
    EXPECT_EQ(readPcx(image, pcx(1, 8, 1, 32767, 65535, {}).bytes()).result, 1);
    EXPECT_EQ(image.planes[0][0], 0xFF);
    EXPECT_EQ(image.planes[0][32766], 0xFF);
}
