#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "TestSupport.h"
#include "image/RasterImage.h"

namespace {

using Bytes = std::vector<unsigned char>;

struct Read {
    int result = -1;
    std::vector<test::ShownMessage> shown;
};

Read readQrt(RasterImage& image, const Bytes& bytes, bool throughLoad = false) {
    Read read;
    test::RecordingSink sink;
    test::TempFile file(".qrt", bytes);
    test::OpenFile in(file.path());
    read.result = throughLoad ? image.load(in.get(), file.c_str()) : image.readQrt(in.get());
    read.shown = sink.shown;
    return read;
}

void word(Bytes& bytes, int value) {
    bytes.push_back(uint8_t(value & 0xFF));
    bytes.push_back(uint8_t(value >> 8));
}

Bytes header(int width, int height) {
    Bytes bytes;
    word(bytes, width);
    word(bytes, height);
    return bytes;
}

// A record for `row` whose red, green and blue samples are base + column,
// base + 100 + column and base + 200 + column (mod 256).
void record(Bytes& bytes, int row, int width, int base) {
    word(bytes, row);
    for (int plane = 0; plane < 3; ++plane) {
        for (int x = 0; x < width; ++x) bytes.push_back(uint8_t(base + 100 * plane + x));
    }
}

std::array<int, 3> rgb(const RasterImage& image, int x, int y) {
    const size_t i = size_t(y) * size_t(image.width) + size_t(x);
    return {image.planes[2][i], image.planes[1][i], image.planes[0][i]};
}

std::array<int, 3> recorded(int base, int x) {
    return {uint8_t(base + x), uint8_t(base + 100 + x), uint8_t(base + 200 + x)};
}

}  // namespace

TEST(QrtReader, RecordsArePlacedByTheirRowNumber) {
    Bytes file = header(2, 2);
    record(file, 1, 2, 50);
    record(file, 0, 2, 10);
    ASSERT_EQ(file.size(), 20u);
    RasterImage image;
    auto read = readQrt(image, file);
    EXPECT_EQ(read.result, 1);
    EXPECT_TRUE(read.shown.empty());
    EXPECT_EQ(image.width, 2);
    EXPECT_EQ(image.height, 2);
    EXPECT_EQ(image.bitDepth, 24);
    EXPECT_EQ(image.planes[3], nullptr);
    for (int x = 0; x < 2; ++x) {
        EXPECT_EQ(rgb(image, x, 0), recorded(10, x));
        EXPECT_EQ(rgb(image, x, 1), recorded(50, x));
    }
}

TEST(QrtReader, LoadRecognisesTheFileByItsSize) {
    // The first record's first red byte is the top-left pixel's red.
    Bytes file = header(3, 2);
    record(file, 0, 3, 77);
    record(file, 1, 3, 5);
    RasterImage image;
    auto read = readQrt(image, file, true);
    EXPECT_EQ(read.result, 1);
    EXPECT_TRUE(read.shown.empty());
    EXPECT_EQ(image.planes[2][0], 77);
    EXPECT_EQ(rgb(image, 2, 1), recorded(5, 2));
}

TEST(QrtReader, RecordsBeyondTheHeightAreDropped) {
    Bytes file = header(3, 2);
    record(file, 0, 3, 10);
    record(file, 2, 3, 90);  // row number equal to the height
    record(file, 700, 3, 91);
    record(file, 1, 3, 40);
    RasterImage image;
    auto read = readQrt(image, file);
    EXPECT_EQ(read.result, 1);
    EXPECT_TRUE(read.shown.empty());
    for (int x = 0; x < 3; ++x) {
        EXPECT_EQ(rgb(image, x, 0), recorded(10, x));
        EXPECT_EQ(rgb(image, x, 1), recorded(40, x));
    }
}

TEST(QrtReader, HeaderOnlyGivesAnEmptyPicture) {
    RasterImage image;
    auto read = readQrt(image, header(5, 0));
    EXPECT_EQ(read.result, 1);
    EXPECT_TRUE(read.shown.empty());
    EXPECT_EQ(image.width, 5);
    EXPECT_EQ(image.height, 0);
    EXPECT_EQ(image.bitDepth, 24);
}

TEST(QrtReader, FileEndingInsideARecordFillsWithFF) {
    Bytes file = header(4, 3);
    record(file, 2, 4, 10);
    record(file, 0, 4, 60);
    file.resize(file.size() - 6);  // the last record loses its blue samples and two greens
    RasterImage image;
    auto read = readQrt(image, file);
    EXPECT_EQ(read.result, 1);
    EXPECT_TRUE(read.shown.empty());
    EXPECT_EQ(rgb(image, 0, 2), recorded(10, 0));
    EXPECT_EQ(rgb(image, 1, 0), (std::array<int, 3>{61, 161, 255}));
    EXPECT_EQ(rgb(image, 3, 0), (std::array<int, 3>{63, 255, 255}));
}

TEST(QrtReader, RowNumberCutInHalfEndsTheRecords) {
    // One byte of a row number, then the end: the high byte reads as 0xFF,
    // which names no row of this picture, and the next one is 0xFFFF.
    Bytes file = header(2, 1);
    record(file, 0, 2, 20);
    file.push_back(0x00);
    RasterImage image;
    auto read = readQrt(image, file);
    EXPECT_EQ(read.result, 1);
    EXPECT_TRUE(read.shown.empty());
    EXPECT_EQ(rgb(image, 1, 0), recorded(20, 1));
}

TEST(QrtReader, HugePictureIsRefused) {
    RasterImage image;
    auto read = readQrt(image, header(65535, 65535));
    EXPECT_EQ(read.result, 0);
    ASSERT_EQ(read.shown.size(), 1u);
    EXPECT_EQ(read.shown[0].text, "Unable to allocate memory for bitmap.");
    EXPECT_EQ(read.shown[0].caption, "QRT Reader");
    EXPECT_EQ(read.shown[0].style, platform::kMbIconWarning);
}
