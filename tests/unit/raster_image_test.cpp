#include <gtest/gtest.h>

#include <climits>

#include "TestSupport.h"
#include "image/RasterImage.h"


TEST(RasterImageAllocate, IndexedDepthsGetOneIndexPlaneAndAPalette) {
    for (int depth = 1; depth <= 8; ++depth) {
        RasterImage image;
        image.width = 3;
        image.height = 2;
        image.bitDepth = depth;
        ASSERT_EQ(image.allocate(), 1) << depth;
        ASSERT_NE(image.planes[0], nullptr);
        EXPECT_EQ(image.planes[1], nullptr);
        EXPECT_EQ(image.planes[2], nullptr);
        EXPECT_EQ(image.planes[3], nullptr);
        ASSERT_NE(image.palette, nullptr);
        // Whole bytes per pixel whatever the depth, and all 768 palette bytes.
        image.planes[0][5] = 7;
        image.palette[767] = 9;
    }
}

TEST(RasterImageAllocate, ColourDepthsGetThreeOrFourPlanes) {
    RasterImage rgb;
    rgb.width = 4;
    rgb.height = 4;
    rgb.bitDepth = 24;
    ASSERT_EQ(rgb.allocate(), 1);
    EXPECT_NE(rgb.planes[2], nullptr);
    EXPECT_EQ(rgb.planes[3], nullptr);
    EXPECT_EQ(rgb.palette, nullptr);

    RasterImage rgba;
    rgba.width = 4;
    rgba.height = 4;
    rgba.bitDepth = 32;
    ASSERT_EQ(rgba.allocate(), 1);
    EXPECT_NE(rgba.planes[3], nullptr);
    rgba.planes[3][15] = 1;
}

TEST(RasterImageAllocate, UnsupportedDepthsObtainNothing) {
    for (int depth : {0, 9, 16, 23, 25, 31, 33, -1, INT_MIN}) {
        RasterImage image;
        image.width = 2;
        image.height = 2;
        image.bitDepth = depth;
        EXPECT_EQ(image.allocate(), 0) << depth;
        for (uint8_t* plane : image.planes) EXPECT_EQ(plane, nullptr);
        EXPECT_EQ(image.palette, nullptr);
    }
}

TEST(RasterImageAllocate, ZeroSizeIsAnEmptySuccessfulPicture) {
    RasterImage wide;
    wide.width = 100;
    wide.height = 0;
    wide.bitDepth = 24;
    EXPECT_EQ(wide.allocate(), 1);
    EXPECT_EQ(wide.pixelCount(), 0u);

    RasterImage tall;
    tall.width = 0;
    tall.height = 100;
    tall.bitDepth = 8;
    EXPECT_EQ(tall.allocate(), 1);
}

TEST(RasterImageAllocate, NegativeAndAbsurdSizesFailWithoutOverflow) {
    const int32_t sizes[][2] = {{-1, 10}, {10, -1}, {INT_MIN, INT_MIN}, {-65536, -65536},
                                {65536, 65536},  // wraps to 0 in 32-bit arithmetic
                                {INT_MAX, INT_MAX}, {70000, 70000}};
    for (const auto& size : sizes) {
        for (int depth : {8, 24, 32}) {
            RasterImage image;
            image.width = size[0];
            image.height = size[1];
            image.bitDepth = depth;
            EXPECT_EQ(image.allocate(), 0) << size[0] << "x" << size[1] << " depth " << depth;
        }
    }
}

TEST(RasterImageAllocate, PixelLimitIsInclusiveAndAdjustable) {
    const int64_t saved = RasterImage::pixelLimit();
    RasterImage::setPixelLimit(100);
    RasterImage atLimit;
    atLimit.width = 10;
    atLimit.height = 10;
    atLimit.bitDepth = 24;
    EXPECT_EQ(atLimit.allocate(), 1);
    RasterImage over;
    over.width = 101;
    over.height = 1;
    over.bitDepth = 24;
    EXPECT_EQ(over.allocate(), 0);
    RasterImage::setPixelLimit(saved);
    EXPECT_EQ(RasterImage::pixelLimit(), RasterImage::kDefaultPixelLimit);
}

TEST(RasterImageAllocate, RealWallpaperSizesFitUnderTheDefaultLimit) {
    EXPECT_GE(RasterImage::kDefaultPixelLimit, int64_t(7680) * 4320 * 4);
}

TEST(StreamReaders, ByteOrderAndMissingBytes) {
    test::TempFile file(".bin", {0x34, 0x12, 0xDE, 0xAD, 0xBE, 0xEF, 0x01});
    test::OpenFile in(file.path());
    ASSERT_TRUE(in.get());
    EXPECT_EQ(readUint16LE(in.get()), 0x1234);
    EXPECT_EQ(readUint32BE(in.get()), 0xDEADBEEFu);
    // One byte left: its high byte is missing and reads as 0xFF.
    EXPECT_EQ(readUint16LE(in.get()), 0xFF01);
    EXPECT_EQ(readUint16LE(in.get()), 0xFFFF);
    EXPECT_EQ(readUint32BE(in.get()), 0xFFFFFFFFu);
}
