#include <gtest/gtest.h>

#include <cstring>

#include "TestSupport.h"
#include "image/RasterImage.h"

namespace {

uint32_t u32(const std::vector<unsigned char>& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
           uint32_t(b[at + 3]) << 24;
}
uint16_t u16(const std::vector<unsigned char>& b, size_t at) {
    return uint16_t(b[at] | b[at + 1] << 8);
}

// Fills every plane byte with a value that names its plane, row and column.
void fillPattern(RasterImage& image) {
    const int count = image.bitDepth <= 8 ? 1 : (image.bitDepth == 32 ? 4 : 3);
    for (int p = 0; p < count; ++p) {
        for (int y = 0; y < image.height; ++y) {
            for (int x = 0; x < image.width; ++x) {
                image.planes[p][size_t(y) * size_t(image.width) + size_t(x)] =
                    uint8_t(p * 64 + y * 8 + x);
            }
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

void expectHeader(const std::vector<unsigned char>& b, int32_t width, int32_t height,
                  int bitCount, uint32_t offset, uint32_t stride) {
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

}  // namespace

TEST(BmpWriter, TwentyFourBitRowsArePaddedAndBottomUp) {
    for (int32_t width = 1; width <= 8; ++width) {
        RasterImage image;
        ASSERT_TRUE(allocated(image, width, 2, 24, true));
        int result = 0;
        auto b = written(image, &result);
        EXPECT_EQ(result, 1);
        const uint32_t stride = uint32_t(3 * width + width % 4);
        expectHeader(b, width, 2, 24, 54, stride);
        ASSERT_EQ(b.size(), 54 + 2 * stride);
        for (int row = 0; row < 2; ++row) {
            const int y = 1 - row;  // the bottom row comes first
            const size_t start = 54 + size_t(row) * stride;
            for (int x = 0; x < width; ++x) {
                EXPECT_EQ(b[start + 3 * size_t(x)], 0 * 64 + y * 8 + x);
                EXPECT_EQ(b[start + 3 * size_t(x) + 1], 1 * 64 + y * 8 + x);
                EXPECT_EQ(b[start + 3 * size_t(x) + 2], 2 * 64 + y * 8 + x);
            }
            for (size_t pad = start + 3 * size_t(width); pad < start + stride; ++pad) {
                EXPECT_EQ(b[pad], 0) << "width " << width;
            }
        }
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
    for (int32_t width = 1; width <= 8; ++width) {
        for (int depth : {1, 4, 8}) {
            RasterImage image;
            ASSERT_TRUE(allocated(image, width, 2, depth, true));
            image.palette[0] = 10;
            image.palette[1] = 20;
            image.palette[2] = 30;
            auto b = written(image);
            const uint32_t stride = uint32_t(width + (4 - width % 4) % 4);
            expectHeader(b, width, 2, 8, 1078, stride);
            ASSERT_EQ(b.size(), 1078 + 2 * stride);
            EXPECT_EQ(b[54], 30);
            EXPECT_EQ(b[55], 20);
            EXPECT_EQ(b[56], 10);
            EXPECT_EQ(b[57], 0);
            // Entry 255: palette bytes 765..767 in blue, green, red order.
            EXPECT_EQ(b[54 + 4 * 255], uint8_t(767 * 3));
            EXPECT_EQ(b[54 + 4 * 255 + 2], uint8_t(765 * 3));
            EXPECT_EQ(b[54 + 4 * 255 + 3], 0);
            for (int x = 0; x < width; ++x) {
                EXPECT_EQ(b[1078 + size_t(x)], 8 + x);           // bottom row (y = 1) first
                EXPECT_EQ(b[1078 + stride + size_t(x)], x);      // then the top row
            }
            for (size_t pad = 1078 + size_t(width); pad < 1078 + stride; ++pad) EXPECT_EQ(b[pad], 0);
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

TEST(BmpWriter, PicturesWiderThan32767PixelsAreWrittenWhole) {
    RasterImage image;
    ASSERT_TRUE(allocated(image, 40000, 2, 24, false));
    std::memset(image.planes[0], 1, image.pixelCount());
    std::memset(image.planes[1], 2, image.pixelCount());
    std::memset(image.planes[2], 3, image.pixelCount());
    image.planes[2][40000 + 39999] = 0x77;  // last pixel of the bottom row
    auto b = written(image);
    const uint32_t stride = 120000;
    expectHeader(b, 40000, 2, 24, 54, stride);
    EXPECT_EQ(b[54 + 3 * 39999 + 2], 0x77);
    EXPECT_EQ(b[54 + stride + 3 * 39999 + 2], 3);

    RasterImage tall;

    ASSERT_TRUE(allocated(tall, 1, 33000, 8, false));
    std::memset(tall.palette, 0, 768);
    for (int y = 0; y < 33000; ++y) tall.planes[0][y] = uint8_t(y);
    auto t = written(tall);
    expectHeader(t, 1, 33000, 8, 1078, 4);
    EXPECT_EQ(t[1078], uint8_t(32999));
    EXPECT_EQ(t[1078 + 4 * 32999], 0);
}
