#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "image/RasterImage.h"

namespace {

test::Decoded loadText(RasterImage& image, const std::string& content) {
    return test::load(image, test::bytesOf(content), ".ppm");
}

std::vector<int> rgb(const RasterImage& image, size_t i) {
    return test::rgbAt(image, i);
}

}  // namespace

TEST(PpmBinary, CommentLinesAfterTheSignatureAreSkipped) {
    std::string file = "P6\n# made by hand\n# second comment\n640 480\n255\n";
    file += std::string("\xFF\x00\x00", 3);
    RasterImage image;
    auto loaded = loadText(image, file);
    EXPECT_EQ(loaded.result, 1);
    EXPECT_TRUE(loaded.shown.empty());
    EXPECT_EQ(image.width, 640);
    EXPECT_EQ(image.height, 480);
    EXPECT_EQ(image.bitDepth, 24);
    EXPECT_EQ(rgb(image, 0), (std::vector<int>{255, 0, 0}));
    // Everything after the data reads as 0xFF.
    EXPECT_EQ(rgb(image, 1), (std::vector<int>{255, 255, 255}));
    EXPECT_EQ(rgb(image, 640 * 480 - 1), (std::vector<int>{255, 255, 255}));
}

TEST(PpmBinary, CommentBetweenWidthAndHeightLeavesHeightZero) {
    RasterImage image;
    auto loaded = loadText(image, "P6\n4\n# no\n3\n255\n");
    EXPECT_EQ(loaded.result, 1);
    EXPECT_EQ(image.width, 4);
    EXPECT_EQ(image.height, 0);
}

TEST(PpmBinary, CarriageReturnAfterSignatureHidesTheComment) {
    RasterImage image;
    auto loaded = loadText(image, "P6\r\n# comment\n2 2\n255\n");
    EXPECT_EQ(loaded.result, 1);
    EXPECT_EQ(image.width, 0);
    EXPECT_EQ(image.height, 0);
}

TEST(PpmBinary, OnlyOneSeparatorIsDiscardedAfterTheMaximum) {
    RasterImage image;
    loadText(image, std::string("P6\n2 1\n255\r\n\x01\x02\x03\x04\x05", 17));
    // The line feed becomes the first red sample.
    EXPECT_EQ(rgb(image, 0), (std::vector<int>{0x0A, 1, 2}));
    EXPECT_EQ(rgb(image, 1), (std::vector<int>{3, 4, 5}));
}

TEST(PpmBinary, SixteenBitSamplesAreReadAsSeparateBytes) {
    RasterImage image;
    loadText(image, std::string("P6 1 2 65535\n\x12\x34\x56\x78\x9A\xBC", 19));
    EXPECT_EQ(rgb(image, 0), (std::vector<int>{0x12, 0x34, 0x56}));
    EXPECT_EQ(rgb(image, 1), (std::vector<int>{0x78, 0x9A, 0xBC}));
}

TEST(PpmBinary, CommentRunningToEndOfFileGivesAnEmptyPicture) {
    RasterImage image;
    auto loaded = loadText(image, "P6\n# never ends");
    EXPECT_EQ(loaded.result, 1);
    EXPECT_EQ(image.width, 0);
    EXPECT_EQ(image.height, 0);
}

TEST(PpmBinary, LargePicturesAreReadAcrossBufferBoundaries) {
    const int width = 300, height = 200;
    std::string file = "P6\n300 200\n255\n";
    for (int i = 0; i < width * height * 3; ++i) file += char((i * 7) & 0xFF);
    RasterImage image;
    loadText(image, file);
    for (size_t i : {size_t(0), size_t(12345), size_t(width * height - 1)}) {
        EXPECT_EQ(image.planes[2][i], (i * 3 * 7) & 0xFF);
        EXPECT_EQ(image.planes[1][i], ((i * 3 + 1) * 7) & 0xFF);
        EXPECT_EQ(image.planes[0][i], ((i * 3 + 2) * 7) & 0xFF);
    }
}

TEST(PpmBinary, AbsurdSizesFailWithTheAllocationMessage) {
    // One pixel more than the build's ceiling on plane bytes allows.
    const std::string overCeiling = "P6\n" + std::to_string(RasterImage::planeByteLimit() / 3 + 1) + " 1\n255\n";
    for (const std::string& header :
         {std::string("P6\n-5 5\n255\n"), std::string("P6\n100000 100000\n255\n"),
          std::string("P6\n4294967295 3\n255\n"), std::string("P6\n268435456 1\n255\n"), overCeiling}) {
        RasterImage image;
        auto loaded = loadText(image, header);
        EXPECT_EQ(loaded.result, 0) << header;
        ASSERT_EQ(loaded.shown.size(), 1u) << header;
        EXPECT_EQ(loaded.shown[0].text, "Unable to allocate memory for bitmap.");
        EXPECT_EQ(loaded.shown[0].caption, "PPM Reader");
        EXPECT_EQ(loaded.shown[0].style, platform::kMbIconWarning);
    }
}

TEST(PpmAscii, SamplesAreStoredModulo256WithoutScaling) {
    RasterImage image;
    auto loaded = loadText(image, "P3\n# comment\n3 1\n15\n15 0 7\n300 -1 256\n+4 -0 12\n");
    EXPECT_EQ(loaded.result, 1);
    EXPECT_EQ(rgb(image, 0), (std::vector<int>{15, 0, 7}));
    EXPECT_EQ(rgb(image, 1), (std::vector<int>{44, 255, 0}));
    EXPECT_EQ(rgb(image, 2), (std::vector<int>{4, 0, 12}));
}

TEST(PpmAscii, AFailedScanRepeatsTheLastValue) {
    RasterImage image;
    // Samples stop after 9: every later sample repeats it.
    loadText(image, "P3 2 2 255\n1 2 3 4 5 6 7 8 9");
    EXPECT_EQ(rgb(image, 2), (std::vector<int>{7, 8, 9}));
    EXPECT_EQ(rgb(image, 3), (std::vector<int>{9, 9, 9}));

    // With no samples at all the maximum value from the header repeats.
    RasterImage noSamples;
    loadText(noSamples, "P3 1 1 200\n");
    EXPECT_EQ(rgb(noSamples, 0), (std::vector<int>{200, 200, 200}));

    // A stray character stops every later scan.
    RasterImage stray;
    loadText(stray, "P3 2 1 255\n10 20 x 40 50 60");
    EXPECT_EQ(rgb(stray, 0), (std::vector<int>{10, 20, 20}));
    EXPECT_EQ(rgb(stray, 1), (std::vector<int>{20, 20, 20}));
}

TEST(PpmAscii, WhiteSpaceOfEveryKindSeparatesNumbers) {
    RasterImage image;
    loadText(image, "P3\r\n1\t1\r\n255\r\n\v1\f2\r\n  3");
    EXPECT_EQ(image.width, 1);
    EXPECT_EQ(rgb(image, 0), (std::vector<int>{1, 2, 3}));
}
