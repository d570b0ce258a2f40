#include <gtest/gtest.h>

#include <climits>

#include "TestSupport.h"
#include "image/ByteOrder.h"
#include "image/RasterImage.h"

TEST(RasterImageAllocate, PlanesAndPaletteFollowTheDepth) {
    for (int depth : {1, 4, 8, 24, 32}) {
        RasterImage image;
        test::describe(image, 3, 2, depth);
        ASSERT_EQ(image.allocate(), 1) << depth;
        const int planes = depth <= 8 ? 1 : depth / 8;
        for (int p = 0; p < 4; ++p) EXPECT_EQ(image.planes[p] != nullptr, p < planes) << depth;
        EXPECT_EQ(image.palette != nullptr, depth <= 8);
        // A whole byte per pixel whatever the depth, and all 768 palette
        // bytes, cleared so that nothing a reader leaves unset is random.
        for (int p = 0; p < planes; ++p) {
            for (int i = 0; i < 6; ++i) EXPECT_EQ(image.planes[p][i], 0);
        }
        if (image.palette) {
            for (int i = 0; i < 768; ++i) ASSERT_EQ(image.palette[i], 0) << i;
        }
    }
}

TEST(RasterImageAllocate, UnsupportedDepthsObtainNothing) {
    for (int depth : {0, 9, 16, 23, 25, 31, 33, -1, INT_MIN}) {
        RasterImage image;
        test::describe(image, 2, 2, depth);
        EXPECT_EQ(image.allocate(), 0) << depth;
        for (uint8_t* plane : image.planes) EXPECT_EQ(plane, nullptr);
        EXPECT_EQ(image.palette, nullptr);
    }
}

TEST(RasterImageAllocate, ZeroSizeIsAnEmptySuccessfulPicture) {
    RasterImage wide, tall;
    test::describe(wide, 100, 0, 24);
    test::describe(tall, 0, 100, 8);
    EXPECT_EQ(wide.allocate(), 1);
    EXPECT_EQ(wide.pixelCount(), 0u);
    EXPECT_EQ(tall.allocate(), 1);
}

TEST(RasterImageAllocate, NegativeAndAbsurdSizesFailWithoutOverflow) {
    const int32_t sizes[][2] = {{-1, 10},           {10, -1},       {INT_MIN, INT_MIN},
                                {-65536, -65536},   {65536, 65536},  // wraps to 0 in 32-bit arithmetic
                                {INT_MAX, INT_MAX}, {70000, 70000}};
    for (const auto& size : sizes) {
        for (int depth : {8, 24, 32}) {
            RasterImage image;
            test::describe(image, size[0], size[1], depth);
            EXPECT_EQ(image.allocate(), 0) << size[0] << "x" << size[1] << " depth " << depth;
        }
    }
}

TEST(RasterImageAllocate, CeilingCountsTheBytesOfEveryPlane) {
    // An 8K picture with alpha fits in every build.
    EXPECT_GE(RasterImage::planeByteLimit(), int64_t(7680) * 4320 * 4);
    RasterImage::setPlaneByteLimit(300);
    const struct {
        int32_t width, height, depth;
        int expected;
    } cases[] = {{10, 10, 24, 1}, {10, 10, 32, 0}, {300, 1, 8, 1}, {301, 1, 1, 0}, {75, 1, 32, 1}, {76, 1, 32, 0}};
    for (const auto& c : cases) {
        RasterImage image;
        test::describe(image, c.width, c.height, c.depth);
        EXPECT_EQ(image.allocate(), c.expected) << c.width << "x" << c.height << " depth " << c.depth;
        EXPECT_EQ(RasterImage::withinCeiling(c.width, c.height, c.depth), c.expected == 1);
    }
    RasterImage::setPlaneByteLimit(RasterImage::kDefaultPlaneByteLimit);
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
