#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "image/RasterImage.h"

namespace {

using Bytes = std::vector<unsigned char>;

struct Read {
    int result = -1;
    std::vector<test::ShownMessage> shown;
};

Read readSun(RasterImage& image, const Bytes& bytes, bool throughLoad = false) {
    Read read;
    test::RecordingSink sink;
    test::TempFile file(".ras", bytes);
    test::OpenFile in(file.path());
    read.result =
        throughLoad ? image.load(in.get(), file.c_str()) : image.readSunRaster(in.get());
    read.shown = sink.shown;
    return read;
}

void word(Bytes& bytes, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(uint8_t(value >> shift));
}

Bytes header(uint32_t width, uint32_t height, uint32_t depth, uint32_t type, uint32_t mapType = 0,
             uint32_t mapLength = 0) {
    Bytes bytes;
    word(bytes, 0x59A66A95);
    word(bytes, width);
    word(bytes, height);
    word(bytes, depth);
    word(bytes, 0);  // data length, not used
    word(bytes, type);
    word(bytes, mapType);
    word(bytes, mapLength);
    return bytes;
}

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// 256 reds (i), 256 greens (255 - i), 256 blues (i ^ 0x55).
Bytes colourMap() {
    Bytes map;
    for (int i = 0; i < 256; ++i) map.push_back(uint8_t(i));
    for (int i = 0; i < 256; ++i) map.push_back(uint8_t(255 - i));
    for (int i = 0; i < 256; ++i) map.push_back(uint8_t(i ^ 0x55));
    return map;
}

std::vector<int> plane(const RasterImage& image, int p) {
    return std::vector<int>(image.planes[p], image.planes[p] + image.pixelCount());
}

void expectRefusal(const Read& read, const std::string& text) {
    EXPECT_EQ(read.result, 0);
    ASSERT_EQ(read.shown.size(), 1u);
    EXPECT_EQ(read.shown[0].text, text);
    EXPECT_EQ(read.shown[0].caption, "Sun Raster Reader");
    EXPECT_EQ(read.shown[0].style, platform::kMbIconWarning);
}

}  // namespace

TEST(SunRaster, PlainEightBitWithColourMap) {
    RasterImage image;
    auto read = readSun(image, header(3, 2, 8, 0, 1, 768) + colourMap() + Bytes{1, 2, 3, 4, 5, 6},
                        true);
    EXPECT_EQ(read.result, 1);
    EXPECT_TRUE(read.shown.empty());
    EXPECT_EQ(image.bitDepth, 8);
    EXPECT_EQ(plane(image, 0), (std::vector<int>{1, 2, 3, 4, 5, 6}));
    for (int i : {0, 7, 128, 255}) {
        EXPECT_EQ(image.palette[3 * i], i);
        EXPECT_EQ(image.palette[3 * i + 1], 255 - i);
        EXPECT_EQ(image.palette[3 * i + 2], i ^ 0x55);
    }
}

TEST(SunRaster, ColourMapIsAlways768BytesWhateverItsLengthSays) {
    RasterImage image;
    auto read = readSun(image, header(2, 1, 8, 0, 1, 6) + colourMap() + Bytes{9, 8});
    EXPECT_EQ(read.result, 1);
    EXPECT_EQ(plane(image, 0), (std::vector<int>{9, 8}));
    EXPECT_EQ(image.palette[3 * 200 + 1], 55);
}

TEST(SunRaster, MapOfAnotherTypeOrWithTrueColourIsNotSkipped) {
    {
        // Map type 2 with 8 bits: the data starts right after the header.
        RasterImage image;
        auto read = readSun(image, header(2, 1, 8, 0, 2, 768) + Bytes{7, 6} + colourMap());
        EXPECT_EQ(read.result, 1);
        EXPECT_EQ(plane(image, 0), (std::vector<int>{7, 6}));
    }
    {
        // A map given with 24 bits is taken as image data.
        RasterImage image;
        auto read = readSun(image, header(1, 1, 24, 0, 1, 768) + colourMap());
        EXPECT_EQ(read.result, 1);
        EXPECT_EQ(image.planes[0][0], 0);
        EXPECT_EQ(image.planes[1][0], 1);
        EXPECT_EQ(image.planes[2][0], 2);
    }
}

TEST(SunRaster, TrueColourRowsHoldOneGroupPerPlane) {
    // 24 bits: each row is a blue group, a green group, a red group.
    Bytes data = {10, 11, 20, 21, 30, 31, 12, 13, 22, 23, 32, 33};
    RasterImage image;
    auto read = readSun(image, header(2, 2, 24, 0) + data);
    EXPECT_EQ(read.result, 1);
    EXPECT_EQ(image.bitDepth, 24);
    EXPECT_EQ(plane(image, 0), (std::vector<int>{10, 11, 12, 13}));
    EXPECT_EQ(plane(image, 1), (std::vector<int>{20, 21, 22, 23}));
    EXPECT_EQ(plane(image, 2), (std::vector<int>{30, 31, 32, 33}));

    // 32 bits: four groups, the fourth to plane 3; the same in type 2.
    Bytes data32 = {1, 2, 3, 4, 5, 6, 7, 8};
    for (uint32_t type : {0u, 2u}) {
        RasterImage wide;
        read = readSun(wide, header(2, 1, 32, type) + data32);
        EXPECT_EQ(read.result, 1);
        EXPECT_EQ(plane(wide, 0), (std::vector<int>{1, 2}));
        EXPECT_EQ(plane(wide, 1), (std::vector<int>{3, 4}));
        EXPECT_EQ(plane(wide, 2), (std::vector<int>{5, 6}));
        EXPECT_EQ(plane(wide, 3), (std::vector<int>{7, 8}));
    }
}

TEST(SunRaster, ByteEncodingEscapesAndRuns) {
    // 0x80 0x02 0x41: three 0x41; 0x80 0x00: one 0x80; others as they are.
    Bytes data = {0x80, 0x02, 0x41, 0x80, 0x00, 0x07, 0x81, 0x80, 0x01, 0xFF};
    RasterImage image;
    auto read = readSun(image, header(8, 1, 8, 2) + data);
    EXPECT_EQ(read.result, 1);
    EXPECT_TRUE(read.shown.empty());
    EXPECT_EQ(plane(image, 0), (std::vector<int>{0x41, 0x41, 0x41, 0x80, 0x07, 0x81, 0xFF, 0xFF}));
}

TEST(SunRaster, RunsNeverCarryIntoTheNextGroup) {
    // Width 6: after two literals, a run of 10 starts 4 bytes before the end
    // of the row and stores 4; the next row starts with the element after it.
    Bytes data = {1, 2, 0x80, 9, 0x55, 3, 4, 5, 6, 7, 8};
    RasterImage image;
    auto read = readSun(image, header(6, 2, 8, 2) + data);
    EXPECT_EQ(read.result, 1);
    EXPECT_EQ(plane(image, 0),
              (std::vector<int>{1, 2, 0x55, 0x55, 0x55, 0x55, 3, 4, 5, 6, 7, 8}));

    // The same for the groups of a 24-bit row: a run in the blue group does
    // not reach the green one.
    Bytes groups = {0x80, 5, 0x11, 0x80, 0x01, 0x22, 0x33, 0x44};
    RasterImage colour;
    read = readSun(colour, header(2, 1, 24, 2) + groups);
    EXPECT_EQ(read.result, 1);
    EXPECT_EQ(plane(colour, 0), (std::vector<int>{0x11, 0x11}));
    EXPECT_EQ(plane(colour, 1), (std::vector<int>{0x22, 0x22}));
    EXPECT_EQ(plane(colour, 2), (std::vector<int>{0x33, 0x44}));
}

TEST(SunRaster, GroupOfWidthOneTakesOneElement) {
    Bytes data = {0x80, 0x00, 0x80, 0x03, 0x09, 0x05};
    RasterImage image;
    auto read = readSun(image, header(1, 3, 8, 2) + data);
    EXPECT_EQ(read.result, 1);
    EXPECT_EQ(plane(image, 0), (std::vector<int>{0x80, 0x09, 0x05}));
}

TEST(SunRaster, ShortByteEncodedFileFillsWithFF) {
    Bytes data = {1, 0x80, 2, 3};
    RasterImage image;
    auto read = readSun(image, header(3, 3, 8, 2) + data);
    EXPECT_EQ(read.result, 1);
    EXPECT_TRUE(read.shown.empty());
    EXPECT_EQ(plane(image, 0), (std::vector<int>{1, 3, 3, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST(SunRaster, ShortPlainFileKeepsWhatItHas) {
    RasterImage image;
    auto read = readSun(image, header(4, 4, 8, 0) + Bytes{1, 2, 3, 4, 5});
    EXPECT_EQ(read.result, 1);
    EXPECT_TRUE(read.shown.empty());
    EXPECT_EQ(std::vector<int>(image.planes[0], image.planes[0] + 5),
              (std::vector<int>{1, 2, 3, 4, 5}));
}

TEST(SunRaster, HeaderWordsKeepTheirLow16Bits) {
    RasterImage image;
    auto read = readSun(image, header(0x00030002, 0xFFFF0001, 0x00010008, 0) + Bytes{4, 5});
    EXPECT_EQ(read.result, 1);
    EXPECT_EQ(image.width, 2);
    EXPECT_EQ(image.height, 1);
    EXPECT_EQ(image.bitDepth, 8);
    EXPECT_EQ(plane(image, 0), (std::vector<int>{4, 5}));
}

TEST(SunRaster, RefusalsAndWhereTheyAreChecked) {
    for (uint32_t depth : {8u, 24u, 32u}) {
        SCOPED_TRACE(depth);
        RasterImage image;
        expectRefusal(readSun(image, header(2, 2, depth, 1) + Bytes(24, 0)),
                      "Unsupported compression method.");
    }
    for (uint32_t type : {0u, 2u}) {
        RasterImage image;
        expectRefusal(readSun(image, header(2, 2, 1, type) + Bytes(4, 0)),
                      "Unsupported colour depth.");
    }
    {
        // The type is judged before the depth.
        RasterImage image;
        expectRefusal(readSun(image, header(2, 2, 1, 3)), "Unsupported compression method.");
    }
    {
        // The colour map is read before a depth of 1 to 7 is refused.
        RasterImage image;
        expectRefusal(readSun(image, header(2, 2, 4, 0, 1, 768) + colourMap()),
                      "Unsupported colour depth.");
        EXPECT_EQ(image.palette[3 * 9 + 1], 246);
    }
    for (uint32_t depth : {16u, 0u, 33u}) {
        SCOPED_TRACE(depth);
        RasterImage image;
        expectRefusal(readSun(image, header(2, 2, depth, 0)), "Unable to allocate memory for bitmap.");
    }
    {
        RasterImage image;
        expectRefusal(readSun(image, header(65535, 65535, 24, 0)),
                      "Unable to allocate memory for bitmap.");
    }
}
