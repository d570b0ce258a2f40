// QRT ray-tracer output: width and height, then one record per row (a row
// number and that row's red, green and blue samples).
#include <gtest/gtest.h>

#include <vector>

#include "TestSupport.h"
#include "image/RasterImage.h"

namespace {

using Bytes = std::vector<unsigned char>;

void word(Bytes& bytes, int value) {
    bytes.push_back(uint8_t(value & 0xFF));
    bytes.push_back(uint8_t(value >> 8));
}

// Sample of row `row`, column x, plane 0 (red), 1 or 2: unique per row.
int sample(int row, int plane, int x) {
    return uint8_t(row * 40 + 100 * plane + x);
}

Bytes qrt(int width, int height, const std::vector<int>& records) {
    Bytes bytes;
    word(bytes, width);
    word(bytes, height);
    for (int row : records) {
        word(bytes, row);
        for (int plane = 0; plane < 3; ++plane) {
            for (int x = 0; x < width; ++x) bytes.push_back(uint8_t(sample(row, plane, x)));
        }
    }
    return bytes;
}

std::vector<int> recorded(int row, int x) {
    return {sample(row, 0, x), sample(row, 1, x), sample(row, 2, x)};
}

}  // namespace

TEST(QrtReader, RecordsArePlacedByRowNumberAndOthersDropped) {
    // Through load the file is known by its exact size; rows at or beyond the
    // height make it longer, so that case goes to the reader directly.
    for (bool throughLoad : {true, false}) {
        SCOPED_TRACE(throughLoad);
        RasterImage image;
        auto read = throughLoad ? test::load(image, qrt(3, 2, {1, 0}), ".qrt")
                                : test::decode(image, qrt(3, 2, {0, 2, 700, 1}), &RasterImage::readQrt, ".qrt");
        EXPECT_EQ(read.result, 1);
        EXPECT_TRUE(read.shown.empty());
        EXPECT_EQ(image.width, 3);
        EXPECT_EQ(image.height, 2);
        EXPECT_EQ(image.bitDepth, 24);
        EXPECT_EQ(image.planes[3], nullptr);
        for (int i = 0; i < 6; ++i) EXPECT_EQ(test::rgbAt(image, size_t(i)), recorded(i / 3, i % 3));
    }
}

TEST(QrtReader, ShortFilesKeepWhatTheyHoldAndFillWithFF) {
    RasterImage empty;
    auto read = test::decode(empty, qrt(5, 0, {}), &RasterImage::readQrt);
    EXPECT_EQ(read.result, 1);
    EXPECT_EQ(empty.width, 5);
    EXPECT_EQ(empty.height, 0);

    // The last record loses its blue samples and two greens.
    Bytes cut = qrt(4, 3, {2, 0});
    cut.resize(cut.size() - 6);
    RasterImage image;
    read = test::decode(image, cut, &RasterImage::readQrt);
    EXPECT_EQ(read.result, 1);
    EXPECT_TRUE(read.shown.empty());
    EXPECT_EQ(test::rgbAt(image, 8), recorded(2, 0));
    EXPECT_EQ(test::rgbAt(image, 1), (std::vector<int>{1, 101, 255}));
    EXPECT_EQ(test::rgbAt(image, 3), (std::vector<int>{3, 255, 255}));

    // Half a row number: its high byte reads as 0xFF, naming no row.
    Bytes half = qrt(2, 1, {0});
    half.push_back(0x00);
    RasterImage one;
    EXPECT_EQ(test::decode(one, half, &RasterImage::readQrt).result, 1);
    EXPECT_EQ(test::rgbAt(one, 1), recorded(0, 1));
}

TEST(QrtReader, HugePictureIsRefused) {
    RasterImage image;
    auto read = test::decode(image, qrt(65535, 65535, {}), &RasterImage::readQrt);
    EXPECT_EQ(read.result, 0);
    ASSERT_EQ(read.shown.size(), 1u);
    EXPECT_EQ(read.shown[0].text, "Unable to allocate memory for bitmap.");
    EXPECT_EQ(read.shown[0].caption, "QRT Reader");
    EXPECT_EQ(read.shown[0].style, platform::kMbIconWarning);
}
