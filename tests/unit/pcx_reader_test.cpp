#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <vector>

#include "TestSupport.h"
#include "image/RasterImage.h"
#include "platform/Messages.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A PCX file put together field by field.
struct PcxFile {
    int encoding = 1;
    int bitsPerPixel = 8;
    int planeCount = 1;
    int bytesPerLine = 0;
    int xmin = 0, ymin = 0, xmax = 0, ymax = 0;
    Bytes headerPalette = Bytes(48, 0);
    Bytes data;     // scan lines, already encoded
    Bytes trailer;  // what follows them (the 256-colour palette)

    std::vector<unsigned char> bytes() const {
        std::vector<unsigned char> out(128, 0);
        out[0] = 0x0A;
        out[1] = 5;
        out[2] = uint8_t(encoding);
        out[3] = uint8_t(bitsPerPixel);
        auto put16 = [&out](size_t at, int value) {
            out[at] = uint8_t(value & 0xFF);
            out[at + 1] = uint8_t((value >> 8) & 0xFF);
        };
        put16(4, xmin);
        put16(6, ymin);
        put16(8, xmax);
        put16(10, ymax);
        for (size_t i = 0; i < 48; ++i) out[16 + i] = headerPalette[i];
        out[65] = uint8_t(planeCount);
        put16(66, bytesPerLine);
        out.insert(out.end(), data.begin(), data.end());
        out.insert(out.end(), trailer.begin(), trailer.end());
        return out;
    }
};

// The usual encoder: runs of up to 63, and single bytes with both top bits
// set written as runs of one.
Bytes encodeLine(const Bytes& line) {
    Bytes out;
    for (size_t i = 0; i < line.size();) {
        size_t run = 1;
        while (i + run < line.size() && line[i + run] == line[i] && run < 63) ++run;
        if (run > 1 || (line[i] & 0xC0) == 0xC0) {
            out.push_back(uint8_t(0xC0 | run));
        }
        out.push_back(line[i]);
        i += run;
    }
    return out;
}

Bytes palette256() {
    Bytes palette(768);
    for (size_t i = 0; i < 768; ++i) palette[i] = uint8_t(i * 7 + 3);
    return palette;
}

struct Read {
    int result = -1;
    std::vector<test::ShownMessage> shown;
};

Read readPcx(RasterImage& image, const std::vector<unsigned char>& bytes) {
    Read read;
    test::RecordingSink sink;
    test::TempFile file(".pcx", bytes);
    test::OpenFile in(file.path());
    read.result = image.readPcx(in.get());
    read.shown = sink.shown;
    return read;
}

Bytes row(const RasterImage& image, int plane, int y) {
    const uint8_t* start = image.planes[plane] + size_t(y) * size_t(image.width);
    return Bytes(start, start + image.width);
}

Bytes entries(const RasterImage& image, size_t first, size_t count) {
    return Bytes(image.palette + 3 * first, image.palette + 3 * (first + count));
}

void expectAllocationMessage(const Read& read) {
    EXPECT_EQ(read.result, 0);
    ASSERT_EQ(read.shown.size(), 1u);
    EXPECT_EQ(read.shown[0].text, "Unable to allocate memory for bitmap.");
    EXPECT_EQ(read.shown[0].caption, "PCX Reader");
    EXPECT_EQ(read.shown[0].style, platform::kMbIconWarning);
}

}  // namespace

TEST(PcxEightBit, RunLengthOddWidthDropsThePaddingByteAndTakesTheLastPaletteBlock) {
    const std::vector<Bytes> rows = {
        {1, 1, 1, 1, 0xC5}, {0xC0, 2, 3, 4, 5}, {9, 9, 9, 9, 9}};
    PcxFile pcx;
    pcx.xmax = 4;
    pcx.ymax = 2;
    pcx.bytesPerLine = 6;
    for (const Bytes& r : rows) {
        Bytes padded = r;
        padded.push_back(0xEE);
        Bytes encoded = encodeLine(padded);
        pcx.data.insert(pcx.data.end(), encoded.begin(), encoded.end());
    }
    // The marker byte before the palette is not 0x0C: the block is still used.
    pcx.trailer.push_back(0x00);
    const Bytes palette = palette256();
    pcx.trailer.insert(pcx.trailer.end(), palette.begin(), palette.end());

    RasterImage image;
    Read read = readPcx(image, pcx.bytes());
    EXPECT_EQ(read.result, 1);
    EXPECT_TRUE(read.shown.empty());
    EXPECT_EQ(image.width, 5);
    EXPECT_EQ(image.height, 3);
    EXPECT_EQ(image.bitDepth, 8);
    for (int y = 0; y < 3; ++y) EXPECT_EQ(row(image, 0, y), rows[size_t(y)]) << "row " << y;
    EXPECT_EQ(Bytes(image.palette, image.palette + 768), palette);
}

TEST(PcxEightBit, UncompressedLinesAreCutToTheWidth) {
    PcxFile pcx;
    pcx.encoding = 0;
    pcx.xmax = 2;
    pcx.ymax = 1;
    pcx.bytesPerLine = 4;
    pcx.data = {0xC1, 0xC2, 0xC3, 0x77, 4, 5, 6, 0x77};
    pcx.trailer = palette256();

    RasterImage image;
    EXPECT_EQ(readPcx(image, pcx.bytes()).result, 1);
    // Uncompressed bytes are pixels even with their top bits set.
    EXPECT_EQ(row(image, 0, 0), (Bytes{0xC1, 0xC2, 0xC3}));
    EXPECT_EQ(row(image, 0, 1), (Bytes{4, 5, 6}));
}

TEST(PcxEightBit, BoundsGiveTheSizeWhateverTheirOrigin) {
    PcxFile pcx;
    pcx.xmin = 10;
    pcx.xmax = 19;
    pcx.ymin = -3;
    pcx.ymax = -2;
    pcx.bytesPerLine = 10;
    pcx.trailer = palette256();
    RasterImage image;
    EXPECT_EQ(readPcx(image, pcx.bytes()).result, 1);
    EXPECT_EQ(image.width, 10);
    EXPECT_EQ(image.height, 2);
}

TEST(PcxRunLength, CountZeroConsumesItsValueAndRunsStopAtTheLineEnd) {
    PcxFile pcx;
    pcx.xmax = 3;
    pcx.ymax = 1;
    pcx.bytesPerLine = 4;
    // Row 0: an empty run swallowing 0xAA, then 1 2, then a run of six 7s of
    // which two do not fit. Row 1 starts afresh.
    pcx.data = {0xC0, 0xAA, 1, 2, 0xC6, 7, 0xC1, 0xC8, 3, 4, 5};
    pcx.trailer = palette256();

    RasterImage image;
    EXPECT_EQ(readPcx(image, pcx.bytes()).result, 1);
    EXPECT_EQ(row(image, 0, 0), (Bytes{1, 2, 7, 7}));
    EXPECT_EQ(row(image, 0, 1), (Bytes{0xC8, 3, 4, 5}));
}

TEST(PcxRunLength, RunsStraddlingLargeReadsDecodeTheSame) {
    // Literal bytes, then one run at about the 16 KiB mark, then literals
    // again: wherever the file is read in blocks, the pixels are the same.
    for (size_t literalsBefore : {16381u, 16382u, 16383u, 16384u, 32767u}) {
        SCOPED_TRACE(literalsBefore);
        Bytes data;
        Bytes pixels;
        for (size_t i = 0; i < literalsBefore; ++i) {
            data.push_back(uint8_t(i % 0xC0));
            pixels.push_back(uint8_t(i % 0xC0));
        }
        data.insert(data.end(), {0xC5, 0xAA});
        pixels.insert(pixels.end(), 5, 0xAA);
        while (pixels.size() % 100 != 0 || pixels.size() < literalsBefore + 300) {
            data.push_back(uint8_t(pixels.size() % 0xBF));
            pixels.push_back(uint8_t(pixels.size() % 0xBF));
        }
        PcxFile pcx;
        pcx.xmax = 99;
        pcx.ymax = int(pixels.size() / 100) - 1;
        pcx.bytesPerLine = 100;
        pcx.data = data;
        pcx.trailer = palette256();

        RasterImage image;
        ASSERT_EQ(readPcx(image, pcx.bytes()).result, 1);
        EXPECT_EQ(Bytes(image.planes[0], image.planes[0] + image.pixelCount()), pixels);
    }
}

TEST(PcxRunLength, TruncatedFileFillsTheRestWith0xFF) {
    PcxFile pcx;
    pcx.xmax = 3;
    pcx.ymax = 2;
    pcx.bytesPerLine = 4;
    pcx.data = {1, 2, 3, 4, 5};

    RasterImage image;
    Read read = readPcx(image, pcx.bytes());
    EXPECT_EQ(read.result, 1);
    EXPECT_TRUE(read.shown.empty());
    EXPECT_EQ(row(image, 0, 0), (Bytes{1, 2, 3, 4}));
    EXPECT_EQ(row(image, 0, 1), (Bytes{5, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(row(image, 0, 2), (Bytes{0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST(PcxUncompressed, TruncatedFileReadsMissingBytesAs0xFF) {
    PcxFile pcx;
    pcx.encoding = 0;
    pcx.xmax = 2;
    pcx.ymax = 2;
    pcx.bytesPerLine = 3;
    pcx.data = {1, 2, 3, 4};

    RasterImage image;
    EXPECT_EQ(readPcx(image, pcx.bytes()).result, 1);
    EXPECT_EQ(row(image, 0, 0), (Bytes{1, 2, 3}));
    EXPECT_EQ(row(image, 0, 1), (Bytes{4, 0xFF, 0xFF}));
    EXPECT_EQ(row(image, 0, 2), (Bytes{0xFF, 0xFF, 0xFF}));
    // Too short to hold a palette block: no entry is invented from the data.
    EXPECT_EQ(entries(image, 0, 2), Bytes(6, 0xFF));
}

TEST(PcxTrueColour, SegmentsAreRedGreenBlueInBothEncodings) {
    for (int encoding : {0, 1}) {
        SCOPED_TRACE(encoding);
        PcxFile pcx;
        pcx.encoding = encoding;
        pcx.planeCount = 3;
        pcx.xmax = 2;
        pcx.ymax = 1;
        pcx.bytesPerLine = 4;  // one padding byte per segment
        const Bytes lines[2] = {{10, 11, 12, 0, 20, 21, 22, 0, 30, 31, 32, 0},
                                {40, 40, 40, 0, 50, 51, 0xC0, 0, 60, 61, 62, 0}};
        for (const Bytes& line : lines) {
            Bytes stored = encoding ? encodeLine(line) : line;
            pcx.data.insert(pcx.data.end(), stored.begin(), stored.end());
        }

        RasterImage image;
        Read read = readPcx(image, pcx.bytes());
        EXPECT_EQ(read.result, 1);
        EXPECT_EQ(image.bitDepth, 24);
        EXPECT_EQ(image.palette, nullptr);
        EXPECT_EQ(row(image, 2, 0), (Bytes{10, 11, 12}));
        EXPECT_EQ(row(image, 1, 0), (Bytes{20, 21, 22}));
        EXPECT_EQ(row(image, 0, 0), (Bytes{30, 31, 32}));
        EXPECT_EQ(row(image, 2, 1), (Bytes{40, 40, 40}));
        EXPECT_EQ(row(image, 1, 1), (Bytes{50, 51, 0xC0}));
        EXPECT_EQ(row(image, 0, 1), (Bytes{60, 61, 62}));
    }
}

TEST(PcxTrueColour, FourPlanesGiveColourPlusTheFourthChannel) {
    for (int encoding : {0, 1}) {
        SCOPED_TRACE(encoding);
        PcxFile pcx;
        pcx.encoding = encoding;
        pcx.planeCount = 4;
        pcx.xmax = 1;
        pcx.bytesPerLine = 2;
        const Bytes line = {1, 2, 3, 4, 5, 6, 7, 8};
        pcx.data = encoding ? encodeLine(line) : line;

        RasterImage image;
        EXPECT_EQ(readPcx(image, pcx.bytes()).result, 1);
        EXPECT_EQ(image.bitDepth, 32);
        EXPECT_EQ(row(image, 2, 0), (Bytes{1, 2}));
        EXPECT_EQ(row(image, 1, 0), (Bytes{3, 4}));
        EXPECT_EQ(row(image, 0, 0), (Bytes{5, 6}));
        EXPECT_EQ(row(image, 3, 0), (Bytes{7, 8}));
    }
}

TEST(PcxTrueColour, SegmentsShorterThanTheWidthLeaveBlackPixels) {
    PcxFile pcx;
    pcx.planeCount = 3;
    pcx.xmax = 3;
    pcx.bytesPerLine = 2;
    pcx.data = {1, 2, 3, 4, 5, 6};
    RasterImage image;
    EXPECT_EQ(readPcx(image, pcx.bytes()).result, 1);
    EXPECT_EQ(row(image, 2, 0), (Bytes{1, 2, 0, 0}));
    EXPECT_EQ(row(image, 0, 0), (Bytes{5, 6, 0, 0}));
}

TEST(PcxPacked, FourBitPixelsBecomeOneIndexEachWithTheHeaderPalette) {
    PcxFile pcx;
    pcx.bitsPerPixel = 4;
    pcx.xmax = 4;  // five pixels: two and a half bytes
    pcx.bytesPerLine = 4;
    for (size_t i = 0; i < 48; ++i) pcx.headerPalette[i] = uint8_t(100 + i);
    pcx.data = encodeLine({0x01, 0x23, 0x4F, 0xFF});

    RasterImage image;
    EXPECT_EQ(readPcx(image, pcx.bytes()).result, 1);
    EXPECT_EQ(image.bitDepth, 4);
    EXPECT_EQ(row(image, 0, 0), (Bytes{0, 1, 2, 3, 4}));
    EXPECT_EQ(entries(image, 0, 16), pcx.headerPalette);
}

TEST(PcxPacked, SixteenColourPlanesCombineIntoOneIndex) {
    PcxFile pcx;
    pcx.bitsPerPixel = 1;
    pcx.planeCount = 4;
    pcx.xmax = 7;
    pcx.bytesPerLine = 1;
    for (size_t i = 0; i < 48; ++i) pcx.headerPalette[i] = uint8_t(i);
    // Plane k holds bit k of every index: pixels 0, 1, 2, 4, 8, 15, 5, 10.
    pcx.data = encodeLine({0b01000110, 0b00100101, 0b00010110, 0b00001101});

    RasterImage image;
    EXPECT_EQ(readPcx(image, pcx.bytes()).result, 1);
    EXPECT_EQ(image.bitDepth, 4);
    EXPECT_EQ(row(image, 0, 0), (Bytes{0, 1, 2, 4, 8, 15, 5, 10}));
    EXPECT_EQ(entries(image, 0, 16), pcx.headerPalette);
}

TEST(PcxPacked, SixteenColourFileWithoutHeaderColoursGetsTheStandardOnes) {
    PcxFile pcx;
    pcx.bitsPerPixel = 4;
    pcx.xmax = 1;
    pcx.bytesPerLine = 2;
    pcx.data = {0x0F, 0, 0};
    RasterImage image;
    EXPECT_EQ(readPcx(image, pcx.bytes()).result, 1);
    EXPECT_EQ(row(image, 0, 0), (Bytes{0, 15}));
    EXPECT_EQ(entries(image, 0, 1), (Bytes{0, 0, 0}));
    EXPECT_EQ(entries(image, 15, 1), (Bytes{255, 255, 255}));
    EXPECT_NE(entries(image, 1, 1), entries(image, 2, 1));
}

TEST(PcxPacked, MonochromeUsesItsTwoHeaderEntriesOrBlackAndWhite) {
    PcxFile pcx;
    pcx.bitsPerPixel = 1;
    pcx.xmax = 9;
    pcx.ymax = 1;
    pcx.bytesPerLine = 2;
    pcx.data = encodeLine({0b10110000, 0b11000000, 0b00000000, 0b01000000});

    RasterImage plain;
    EXPECT_EQ(readPcx(plain, pcx.bytes()).result, 1);
    EXPECT_EQ(plain.bitDepth, 1);
    EXPECT_EQ(row(plain, 0, 0), (Bytes{1, 0, 1, 1, 0, 0, 0, 0, 1, 1}));
    EXPECT_EQ(row(plain, 0, 1), (Bytes{0, 0, 0, 0, 0, 0, 0, 0, 0, 1}));
    EXPECT_EQ(entries(plain, 0, 2), (Bytes{0, 0, 0, 255, 255, 255}));

    pcx.headerPalette[0] = 200;
    pcx.headerPalette[5] = 90;
    RasterImage coloured;
    EXPECT_EQ(readPcx(coloured, pcx.bytes()).result, 1);
    EXPECT_EQ(entries(coloured, 0, 2), (Bytes{200, 0, 0, 0, 0, 90}));
}

TEST(PcxPacked, TwoAndThreeBitDepthsGetAPalette) {
    PcxFile four;
    four.bitsPerPixel = 2;
    four.xmax = 4;
    four.bytesPerLine = 2;
    four.data = encodeLine({0b00011011, 0b10000000});
    RasterImage image;
    EXPECT_EQ(readPcx(image, four.bytes()).result, 1);
    EXPECT_EQ(image.bitDepth, 2);
    EXPECT_EQ(row(image, 0, 0), (Bytes{0, 1, 2, 3, 2}));
    // No colours in the header: evenly spaced greys.
    EXPECT_EQ(entries(image, 0, 4), (Bytes{0, 0, 0, 85, 85, 85, 170, 170, 170, 255, 255, 255}));

    PcxFile eight;
    eight.bitsPerPixel = 1;
    eight.planeCount = 3;
    eight.xmax = 2;
    eight.bytesPerLine = 1;
    for (size_t i = 0; i < 24; ++i) eight.headerPalette[i] = uint8_t(50 + i);
    eight.data = encodeLine({0b10100000, 0b01100000, 0b00100000});
    RasterImage colours;
    EXPECT_EQ(readPcx(colours, eight.bytes()).result, 1);
    EXPECT_EQ(colours.bitDepth, 3);
    EXPECT_EQ(row(colours, 0, 0), (Bytes{1, 2, 7}));
    EXPECT_EQ(entries(colours, 0, 8), Bytes(eight.headerPalette.begin(), eight.headerPalette.begin() + 24));
}

TEST(PcxUnusual, UnknownEncodingReadsNoPixelsAndSucceeds) {
    PcxFile pcx;
    pcx.encoding = 2;
    pcx.xmax = 2;
    pcx.bytesPerLine = 3;
    pcx.data = {5, 6, 7};
    pcx.trailer = palette256();
    RasterImage image;
    Read read = readPcx(image, pcx.bytes());
    EXPECT_EQ(read.result, 1);
    EXPECT_TRUE(read.shown.empty());
    EXPECT_EQ(image.width, 3);
    EXPECT_EQ(row(image, 0, 0), (Bytes{0, 0, 0}));
}

TEST(PcxUnusual, UnsupportedDepthsAndSizesAreReportedAsAllocationFailures) {
    PcxFile sixteen;  // 8 bits x 2 planes
    sixteen.planeCount = 2;
    sixteen.xmax = 3;
    sixteen.bytesPerLine = 4;
    RasterImage a;
    expectAllocationMessage(readPcx(a, sixteen.bytes()));

    PcxFile backwards;
    backwards.xmin = 5;
    backwards.xmax = 2;
    backwards.bytesPerLine = 4;
    RasterImage b;
    expectAllocationMessage(readPcx(b, backwards.bytes()));

    // A lone manufacturer byte: every other field reads as 0xFF.
    RasterImage c;
    expectAllocationMessage(readPcx(c, {0x0A}));
}

TEST(PcxUnusual, HugeLinesOfAnEmptyFileFinishQuickly) {
    PcxFile pcx;
    pcx.bitsPerPixel = 1;
    pcx.planeCount = 8;
    pcx.xmax = 0;
    pcx.ymax = 32766;
    pcx.bytesPerLine = 65535;
    const auto start = std::chrono::steady_clock::now();
    RasterImage image;
    EXPECT_EQ(readPcx(image, pcx.bytes()).result, 1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(image.planes[0][0], 0xFF);
    EXPECT_EQ(image.planes[0][32766], 0xFF);
}
