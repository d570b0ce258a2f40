// Sun raster files: a header of eight big-endian words, an optional colour
// map, then plain or byte-encoded (type 2) rows of one group per plane.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "image/RasterImage.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes header(uint32_t width, uint32_t height, uint32_t depth, uint32_t type, uint32_t mapType = 0,
             uint32_t mapLength = 0) {
    Bytes bytes;
    for (uint32_t value : {0x59A66A95u, width, height, depth, 0u, type, mapType, mapLength}) {
        for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(uint8_t(value >> shift));
    }
    return bytes;
}

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// 256 reds (i), 256 greens (255 - i), 256 blues (i ^ 0x55).
Bytes colourMap() {
    Bytes map;
    for (int part = 0; part < 3; ++part) {
        for (int i = 0; i < 256; ++i) map.push_back(uint8_t(part == 0 ? i : part == 1 ? 255 - i : i ^ 0x55));
    }
    return map;
}

test::Decoded readSun(RasterImage& image, const Bytes& bytes) {
    return test::decode(image, bytes, &RasterImage::readSunRaster, ".ras");
}

}  // namespace

TEST(SunRaster, PlainEightBitWithItsColourMapThroughLoad) {
    RasterImage image;
    auto read = test::load(image, header(3, 2, 8, 0, 1, 768) + colourMap() + Bytes{1, 2, 3, 4, 5, 6});
    EXPECT_EQ(read.result, 1);
    EXPECT_TRUE(read.shown.empty());
    EXPECT_EQ(image.bitDepth, 8);
    EXPECT_EQ(Bytes(image.planes[0], image.planes[0] + 6), (Bytes{1, 2, 3, 4, 5, 6}));
    for (int i : {0, 7, 128, 255}) {
        EXPECT_EQ(Bytes(image.palette + 3 * i, image.palette + 3 * i + 3),
                  (Bytes{uint8_t(i), uint8_t(255 - i), uint8_t(i ^ 0x55)}));
    }
}

TEST(SunRaster, DecodesEveryLayout) {
    struct Case {
        const char* name;
        Bytes file;
        std::vector<Bytes> planes;  // the start of planes 0, 1, ...
    };
    const Case cases[] = {
        {"the map is always 768 bytes, whatever its length says",
         header(2, 1, 8, 0, 1, 6) + colourMap() + Bytes{9, 8},
         {{9, 8}}},
        {"a map of another type is not skipped", header(2, 1, 8, 0, 2, 768) + Bytes{7, 6} + colourMap(), {{7, 6}}},
        {"a map given with 24 bits is image data", header(1, 1, 24, 0, 1, 768) + colourMap(), {{0}, {1}, {2}}},
        {"24 bits: a blue, a green and a red group per row",
         header(2, 2, 24, 0) + Bytes{10, 11, 20, 21, 30, 31, 12, 13, 22, 23, 32, 33},
         {{10, 11, 12, 13}, {20, 21, 22, 23}, {30, 31, 32, 33}}},
        {"32 bits, plain", header(2, 1, 32, 0) + Bytes{1, 2, 3, 4, 5, 6, 7, 8}, {{1, 2}, {3, 4}, {5, 6}, {7, 8}}},
        {"32 bits, byte-encoded",
         header(2, 1, 32, 2) + Bytes{1, 2, 3, 4, 5, 6, 7, 8},
         {{1, 2}, {3, 4}, {5, 6}, {7, 8}}},
        {"escapes and runs: 80 02 41 is three 41s, 80 00 one 80",
         header(8, 1, 8, 2) + Bytes{0x80, 0x02, 0x41, 0x80, 0x00, 0x07, 0x81, 0x80, 0x01, 0xFF},
         {{0x41, 0x41, 0x41, 0x80, 0x07, 0x81, 0xFF, 0xFF}}},
        {"a run stops at the row's end; the next row takes the element after it",
         header(6, 2, 8, 2) + Bytes{1, 2, 0x80, 9, 0x55, 3, 4, 5, 6, 7, 8},
         {{1, 2, 0x55, 0x55, 0x55, 0x55, 3, 4, 5, 6, 7, 8}}},
        {"a run in the blue group does not reach the green one",
         header(2, 1, 24, 2) + Bytes{0x80, 5, 0x11, 0x80, 0x01, 0x22, 0x33, 0x44},
         {{0x11, 0x11}, {0x22, 0x22}, {0x33, 0x44}}},
        {"a group of width one takes one element",
         header(1, 3, 8, 2) + Bytes{0x80, 0x00, 0x80, 0x03, 0x09, 0x05},
         {{0x80, 0x09, 0x05}}},
        {"a short byte-encoded file fills with FF",
         header(3, 3, 8, 2) + Bytes{1, 0x80, 2, 3},
         {{1, 3, 3, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}}},
        {"a short plain file keeps what it has", header(4, 4, 8, 0) + Bytes{1, 2, 3, 4, 5}, {{1, 2, 3, 4, 5}}},
        {"header words keep their low 16 bits", header(0x00030002, 0xFFFF0001, 0x00010008, 0) + Bytes{4, 5}, {{4, 5}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RasterImage image;
        auto read = readSun(image, c.file);
        EXPECT_EQ(read.result, 1);
        EXPECT_TRUE(read.shown.empty());
        EXPECT_EQ(image.bitDepth, c.planes.size() == 1 ? 8 : int(8 * c.planes.size()));
        ASSERT_GE(image.pixelCount(), c.planes[0].size());
        for (size_t p = 0; p < c.planes.size(); ++p) {
            EXPECT_EQ(Bytes(image.planes[p], image.planes[p] + c.planes[p].size()), c.planes[p]) << p;
        }
    }
    RasterImage low;
    readSun(low, cases[12].file);
    EXPECT_EQ(low.width, 2);
    EXPECT_EQ(low.height, 1);
}

TEST(SunRaster, RefusalsAndWhereTheyAreChecked) {
    const std::string compression = "Unsupported compression method.";
    const std::string depth = "Unsupported colour depth.";
    const std::string memory = "Unable to allocate memory for bitmap.";
    const std::pair<Bytes, std::string> cases[] = {
        {header(2, 2, 8, 1) + Bytes(24, 0), compression},
        {header(2, 2, 24, 1) + Bytes(24, 0), compression},
        {header(2, 2, 32, 1) + Bytes(24, 0), compression},
        {header(2, 2, 1, 0) + Bytes(4, 0), depth},
        {header(2, 2, 1, 2) + Bytes(4, 0), depth},
        {header(2, 2, 1, 3), compression},  // the type is judged before the depth
        {header(2, 2, 16, 0), memory},
        {header(2, 2, 0, 0), memory},
        {header(2, 2, 33, 0), memory},
        {header(65535, 65535, 24, 0), memory},
        // The colour map is read before a depth of 1 to 7 is refused.
        {header(2, 2, 4, 0, 1, 768) + colourMap(), depth},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.second + " at depth " + std::to_string(c.first[15]));
        RasterImage image;
        auto read = readSun(image, c.first);
        EXPECT_EQ(read.result, 0);
        ASSERT_EQ(read.shown.size(), 1u);
        EXPECT_EQ(read.shown[0].text, c.second);
        EXPECT_EQ(read.shown[0].caption, "Sun Raster Reader");
        EXPECT_EQ(read.shown[0].style, platform::kMbIconWarning);
        if (&c == &cases[10]) {
            EXPECT_EQ(image.palette[3 * 9 + 1], 246);
        }
    }
}
