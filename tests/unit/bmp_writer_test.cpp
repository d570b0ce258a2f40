#include <gtest/gtest.h>

#include <cstring>

#include "TestSupport.h"
#include "image/RasterImage.h"

namespace {

uint32_t u32(const std::vector<unsigned char>& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}
uint16_t u16(const std::vector<unsigned char>& b, size_t at) {
    return uint16_t(b[at] | b[at + 1] << 8);
}

// A plane byte that names its plane, row and column, and does not repeat
// every 256 columns, so a row piece written at the wrong place shows.
uint8_t sample(int plane, size_t x, size_t y) {
    return uint8_t(plane * 64 + y * 8 + x + (x >> 8) * 3);
}

void fillPattern(RasterImage& image) {
    const int count = image.bitDepth <= 8 ? 1 : (image.bitDepth == 32 ? 4 : 3);
    const size_t width = size_t(image.width);
    for (int p = 0; p < count; ++p) {
        for (size_t y = 0; y < size_t(image.height); ++y) {
            for (size_t x = 0; x < width; ++x) image.planes[p][y * width + x] = sample(p, x, y);
        }
    }
    if (image.palette) {
        for (int i = 0; i < 768; ++i) image.palette[i] = uint8_t(i * 3);
    }
}

bool allocated(RasterImage& image, int32_t width, int32_t height, int32_t depth, bool pattern) {
    test::describe(image, width, height, depth);
    if (!image.allocate()) return false;
    if (pattern) fillPattern(image);
    return true;
}

std::vector<unsigned char> written(RasterImage& image, int* result = nullptr) {
    test::TempFile out(".bmp");
    int r = image.writeBmp(out.c_str());
    if (result) *result = r;
    return out.read();
}

void expectHeader(const std::vector<unsigned char>& b, int32_t width, int32_t height, int bitCount, uint32_t offset,
                  uint32_t stride) {
    ASSERT_GE(b.size(), 54u);
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(b[1], 'M');
    EXPECT_EQ(u32(b, 2), offset + uint32_t(height) * stride);
    EXPECT_EQ(u32(b, 2), b.size());
    EXPECT_EQ(u32(b, 6), 0u);
    EXPECT_EQ(u32(b, 10), offset);
    EXPECT_EQ(u32(b, 14), 40u);
    EXPECT_EQ(int32_t(u32(b, 18)), width);
    EXPECT_EQ(int32_t(u32(b, 22)), height);
    EXPECT_EQ(u16(b, 26), 1);
    EXPECT_EQ(u16(b, 28), bitCount);
    EXPECT_EQ(u32(b, 30), 0u);
    EXPECT_EQ(u32(b, 34), 0u);
    EXPECT_EQ(u32(b, 38), 45074u);
    EXPECT_EQ(u32(b, 42), 45074u);
    EXPECT_EQ(u32(b, 46), 0u);
    EXPECT_EQ(u32(b, 50), 0u);
}

// Every pixel row of a file written from fillPattern(): the bottom row first,
// each pixel's plane bytes in plane order, then zeros up to the stride.
void expectRows(const std::vector<unsigned char>& b, size_t width, size_t height, int planes, size_t offset,
                size_t stride) {
    ASSERT_EQ(b.size(), offset + height * stride);
    for (size_t row = 0; row < height; ++row) {
        const size_t y = height - 1 - row;
        const unsigned char* at = b.data() + offset + row * stride;
        for (size_t x = 0; x < width; ++x) {
            for (int p = 0; p < planes; ++p) {
                if (at[size_t(planes) * x + size_t(p)] != sample(p, x, y)) {
                    ADD_FAILURE() << "pixel " << x << " of row " << y << ", plane " << p;
                    return;
                }
            }
        }
        for (size_t pad = size_t(planes) * width; pad < stride; ++pad) {
            if (at[pad] != 0) {
                ADD_FAILURE() << "fill byte " << pad << " of row " << y;
                return;
            }
        }
    }
}

struct Size {
    int32_t width;
    int32_t height;
};

// Widths 1 to 8 cover every fill length; the wide rows are several times
// the writer's buffer and end with fill bytes, the tall picture has more
// rows than 16-bit counters reach.
const Size kSizes[] = {{1, 2}, {2, 2}, {3, 2},      {4, 2},      {5, 2},    {6, 2},
                       {7, 2}, {8, 2}, {300001, 2}, {300000, 1}, {1, 70000}};

}  // namespace

TEST(BmpWriter, TwentyFourBitRowsArePaddedAndBottomUp) {
    for (const Size& size : kSizes) {
        SCOPED_TRACE(testing::Message() << size.width << "x" << size.height);
        RasterImage image;
        ASSERT_TRUE(allocated(image, size.width, size.height, 24, true));
        int result = 0;
        auto b = written(image, &result);
        EXPECT_EQ(result, 1);
        const uint32_t stride = uint32_t(3 * size.width + size.width % 4);
        expectHeader(b, size.width, size.height, 24, 54, stride);
        expectRows(b, size_t(size.width), size_t(size.height), 3, 54, stride);
    }
}

TEST(BmpWriter, FiveByTwoTwentyFourBitIsEightySixBytes) {
    RasterImage image;
    ASSERT_TRUE(allocated(image, 5, 2, 24, true));
    auto b = written(image);
    EXPECT_EQ(b.size(), 86u);
    EXPECT_EQ(u32(b, 2), 86u);
}

TEST(BmpWriter, EightBitFilesCarryTheWholeColourTable) {
    for (const Size& size : kSizes) {
        for (int depth : {1, 4, 8}) {
            SCOPED_TRACE(testing::Message() << size.width << "x" << size.height << " depth " << depth);
            RasterImage image;
            ASSERT_TRUE(allocated(image, size.width, size.height, depth, true));
            image.palette[0] = 10;
            image.palette[1] = 20;
            image.palette[2] = 30;
            int result = 0;
            auto b = written(image, &result);
            EXPECT_EQ(result, 1);
            const uint32_t stride = uint32_t(size.width + (4 - size.width % 4) % 4);
            expectHeader(b, size.width, size.height, 8, 1078, stride);
            ASSERT_GE(b.size(), 1078u);
            EXPECT_EQ(b[54], 30);
            EXPECT_EQ(b[55], 20);
            EXPECT_EQ(b[56], 10);
            EXPECT_EQ(b[57], 0);
            // Entry 255: palette bytes 765..767 in blue, green, red order.
            EXPECT_EQ(b[54 + 4 * 255], uint8_t(767 * 3));
            EXPECT_EQ(b[54 + 4 * 255 + 2], uint8_t(765 * 3));
            EXPECT_EQ(b[54 + 4 * 255 + 3], 0);
            expectRows(b, size_t(size.width), size_t(size.height), 1, 1078, stride);
        }
    }
}

TEST(BmpWriter, FiveByTwoEightBitIs1094Bytes) {
    RasterImage image;
    ASSERT_TRUE(allocated(image, 5, 2, 8, true));
    EXPECT_EQ(written(image).size(), 1094u);
}

TEST(BmpWriter, ThirtyTwoBitIsWrittenLikeTwentyFourBit) {
    RasterImage rgba;
    ASSERT_TRUE(allocated(rgba, 7, 3, 32, true));
    RasterImage rgb;
    ASSERT_TRUE(allocated(rgb, 7, 3, 24, true));
    EXPECT_EQ(written(rgba), written(rgb));
}

TEST(BmpWriter, HeightZeroStopsAfterTheHeaders) {
    RasterImage rgb;
    ASSERT_TRUE(allocated(rgb, 9, 0, 24, false));
    int result = 0;
    EXPECT_EQ(written(rgb, &result).size(), 54u);
    EXPECT_EQ(result, 1);

    RasterImage indexed;
    ASSERT_TRUE(allocated(indexed, 9, 0, 8, false));
    std::memset(indexed.palette, 0, 768);
    EXPECT_EQ(written(indexed, &result).size(), 1078u);
    EXPECT_EQ(result, 1);
}

TEST(BmpWriter, UnsupportedDepthLeavesAnEmptyFile) {
    test::RecordingSink sink;
    RasterImage image;
    test::describe(image, 2, 2, 16);
    test::TempFile out(".bmp");
    out.write(std::string("old content"));
    EXPECT_EQ(image.writeBmp(out.c_str()), 0);
    EXPECT_TRUE(out.read().empty());
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].text, "Unsupported colour depth.");
    EXPECT_EQ(sink.shown[0].caption, "BMP Writer");
    EXPECT_EQ(sink.shown[0].style, platform::kMbIconWarning);
}

TEST(BmpWriter, UnopenablePathShowsAPlainBox) {
    test::RecordingSink sink;
    RasterImage image;
    ASSERT_TRUE(allocated(image, 1, 1, 24, false));
    test::TempFile folder(".dir");
    const std::string path = folder.path() + "/missing/sub/out.bmp";
    EXPECT_EQ(image.writeBmp(path.c_str()), 0);
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].text, "Unable to open file for writing.");
    EXPECT_EQ(sink.shown[0].caption, "BMP Writer");
    EXPECT_EQ(sink.shown[0].style, platform::kMbOk);
}

#ifndef _WIN32
// A full device takes the file's bytes only until the first flush: a small
// file fails first when it is closed, a large one while it is written.
TEST(BmpWriter, FailedWritesAreReported) {
    const struct {
        int32_t width;
        int32_t height;
        int32_t depth;
    } cases[] = {{1, 1, 24}, {1, 1, 8}, {1000, 1000, 24}, {1000, 1000, 8}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " depth " << c.depth);
        test::RecordingSink sink;
        RasterImage image;
        ASSERT_TRUE(allocated(image, c.width, c.height, c.depth, true));
        EXPECT_EQ(image.writeBmp("/dev/full"), 0);
        ASSERT_EQ(sink.shown.size(), 1u);
        EXPECT_EQ(sink.shown[0].text, "Unable to write file; the bitmap is incomplete.");
        EXPECT_EQ(sink.shown[0].caption, "BMP Writer");
        EXPECT_EQ(sink.shown[0].style, platform::kMbIconWarning);
    }
}
#endif
