#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "image/ByteSource.h"
#include "image/RasterImage.h"
#include "readers/GifLzw.h"
#include "test_support_gif_files.h"

using giftest::Bytes;
using giftest::Code;
using giftest::GifFile;

namespace {

const unsigned kWarning = platform::kMbIconWarning;

struct Read {
    int result = -1;
    std::vector<test::ShownMessage> shown;
};

Read readGif(RasterImage& image, const Bytes& bytes) {
    Read read;
    test::RecordingSink sink;
    test::TempFile file(".gif", bytes);
    test::OpenFile in(file.path());
    read.result = image.readGif(in.get());
    read.shown = sink.shown;
    return read;
}

std::vector<int> planeOf(const RasterImage& image) {
    return std::vector<int>(image.planes[0], image.planes[0] + image.pixelCount());
}

std::array<int, 3> colour(const RasterImage& image, int index) {
    return {image.palette[3 * index], image.palette[3 * index + 1],
            image.palette[3 * index + 2]};
}

Bytes dataOf(const std::vector<Code>& codes, size_t blockSize = 255) {
    return giftest::subBlocks(giftest::packCodes(codes), blockSize);
}

void expectOnlyMessage(const Read& read, const std::string& text) {
    ASSERT_EQ(read.shown.size(), 1u);
    EXPECT_EQ(read.shown[0].text, text);
    EXPECT_EQ(read.shown[0].caption, "GIF Reader");
    EXPECT_EQ(read.shown[0].style, kWarning);
}

// 24 x 12, five colours, written by ImageMagick (with a graphic control
// extension before the image): pixel (x, y) has colour number
// (x * x + 3 * y + x * y / 2) % 5 of the list below.
const unsigned char kMadeElsewhere[] = {
    0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x18, 0x00, 0x0c, 0x00, 0xf2, 0x00, 0x00, 0x00, 0x00,
    0x00, 0xc8, 0x1e, 0x1e, 0x1e, 0xc8, 0x1e, 0xf0, 0xf0, 0x00, 0x1e, 0x1e, 0xc8, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x21, 0xf9, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x2c, 0x00, 0x00, 0x00, 0x00, 0x18, 0x00, 0x0c, 0x00, 0x00, 0x03, 0x5e, 0x18, 0x02, 0x20,
    0xca, 0x6e, 0xb5, 0x37, 0xe5, 0x00, 0x63, 0x38, 0xa2, 0x32, 0xd6, 0x01, 0x27, 0x78, 0xd9,
    0x48, 0x68, 0x26, 0x3a, 0x9c, 0x42, 0xda, 0xae, 0x57, 0x4b, 0xb4, 0x58, 0x10, 0x0b, 0xf3,
    0x32, 0xd8, 0x0d, 0xce, 0x85, 0xb8, 0x00, 0xf0, 0x37, 0x23, 0x06, 0x43, 0x3c, 0x19, 0x6d,
    0x77, 0xcb, 0xd5, 0x62, 0xb0, 0x17, 0xcb, 0x45, 0x8d, 0x6e, 0x3a, 0x97, 0x12, 0x72, 0x94,
    0x05, 0x71, 0x20, 0x94, 0x08, 0x58, 0x22, 0x9e, 0x10, 0xbe, 0x8b, 0xd0, 0xe9, 0x1c, 0x68,
    0x00, 0xd4, 0xab, 0x6f, 0x78, 0x4e, 0xa6, 0x33, 0xba, 0x57, 0xee, 0x27, 0x4f, 0x1a, 0x24,
    0x00, 0x00, 0x3b};

}  // namespace

TEST(GifReader, FileFromAnotherEncoderDecodesToItsColours) {
    const std::array<int, 3> colours[5] = {
        {200, 30, 30}, {30, 200, 30}, {30, 30, 200}, {240, 240, 0}, {0, 0, 0}};
    RasterImage image;
    auto read = readGif(image, Bytes(std::begin(kMadeElsewhere), std::end(kMadeElsewhere)));
    EXPECT_EQ(read.result, 1);
    EXPECT_TRUE(read.shown.empty());
    ASSERT_EQ(image.width, 24);
    ASSERT_EQ(image.height, 12);
    EXPECT_EQ(image.bitDepth, 8);
    for (int y = 0; y < 12; ++y) {
        for (int x = 0; x < 24; ++x) {
            const int index = image.planes[0][y * 24 + x];
            ASSERT_LT(index, 8);
            EXPECT_EQ(colour(image, index), colours[(x * x + 3 * y + x * y / 2) % 5])
                << "at " << x << "," << y;
        }
    }
}

TEST(GifReader, RoundTripsThroughTheEncoderWithEveryTableShape) {
    struct Case {
        const char* name;
        int minimumCodeSize;
        int colours;
        int width, height;
        giftest::EncoderOptions options;
        size_t blockSize;
    };
    const Case cases[] = {
        {"256 colours, clear when full", 8, 256, 300, 200, {}, 255},
        {"no leading clear code: the same pixels", 8, 256, 97, 61, {false, true, true}, 255},
        {"table frozen at 4096 entries", 8, 256, 160, 120, {true, false, true}, 255},
        {"two-bit codes, tiny sub-blocks", 2, 4, 123, 45, {}, 1},
        {"seven-bit roots", 7, 100, 64, 64, {}, 17},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto pixels = giftest::noisePixels(size_t(c.width) * size_t(c.height), c.colours);
        GifFile file(c.width, c.height, 0x87, 0, giftest::colourTable(256));
        file.image(c.width, c.height, 0, {}, c.minimumCodeSize,
                   dataOf(giftest::lzwEncode(pixels, c.minimumCodeSize, c.options), c.blockSize));
        file.trailer();
        RasterImage image;
        auto read = readGif(image, file.bytes());
        EXPECT_EQ(read.result, 1);
        EXPECT_TRUE(read.shown.empty());
        EXPECT_EQ(planeOf(image), pixels);
    }
}

TEST(GifReader, LongestStringsFillTheWholeTable) {
    // Minimum code size 1 (clear 2, end 3): after "1" and "1", every code is
    // the next free entry, so the strings grow by one pixel each, until the
    // table is full with a string of 4092 pixels.
    std::vector<Code> codes = {{2, 2}, {1, 2}, {1, 2}};
    int size = 3, next = 5;
    size_t length = 1, total = 2;
    while (next < 4096) {
        codes.push_back({next, size});
        total += ++length;
        ++next;
        if (next >= (1 << size) && size < 12) ++size;
    }
    ASSERT_EQ(length, 4092u);
    codes.push_back({3, size});
    const int width = 4096;
    const int height = int(total / width) + 2;
    GifFile file(width, height, 0x80, 1, giftest::colourTable(2));
    file.image(width, height, 0, {}, 1, dataOf(codes)).trailer();
    RasterImage image;
    auto read = readGif(image, file.bytes());
    EXPECT_EQ(read.result, 1);
    expectOnlyMessage(read, "Invalid code size");  // 1 is below 2, yet decodes
    const auto plane = planeOf(image);
    EXPECT_EQ(std::count(plane.begin(), plane.begin() + long(total), 1), long(total));
    // After the end code the rest of the image is 0.
    EXPECT_EQ(std::count(plane.begin() + long(total), plane.end(), 0), long(plane.size() - total));
}

TEST(GifReader, CodeEqualToNextEntryAndCodeBeyondIt) {
    // Minimum code size 2: clear 4, end 5, first free entry 6.
    //   1            "1"
    //   7 (> 6)      taken as 6: "1 1"; the decoder goes on from code 0
    //   2            "2", adding entry 7 = "0 2" (from code 0, not 6 or 7)
    //   7            "0 2"
    //   6            "1 1"
    //   10 (= next)  the last string and its first pixel: "1 1 1"
    // and the end code; the image's twelfth pixel is then 0.
    std::vector<Code> codes = {{4, 3}, {1, 3}, {7, 3}, {2, 3}, {7, 4}, {6, 4}, {10, 4}, {5, 4}};
    GifFile file(12, 1, 0x81, 9, giftest::colourTable(4));
    file.image(12, 1, 0, {}, 2, dataOf(codes)).trailer();
    RasterImage image;
    auto read = readGif(image, file.bytes());
    EXPECT_EQ(read.result, 1);
    EXPECT_TRUE(read.shown.empty());
    EXPECT_EQ(planeOf(image), (std::vector<int>{1, 1, 1, 2, 0, 2, 1, 1, 1, 1, 1, 0}));
}

TEST(GifReader, InterlacedRowsGoToTheirPasses) {
    // Row k of the data stream is filled with the value k.
    const int width = 5, height = 10;
    std::vector<int> pixels;
    for (int k = 0; k < height; ++k) pixels.insert(pixels.end(), width, k);
    GifFile file(width, height, 0x83, 15, giftest::colourTable(16));
    file.image(width, height, pixels, 4, 0x40).trailer();
    RasterImage image;
    auto read = readGif(image, file.bytes());
    EXPECT_EQ(read.result, 1);
    const int order[] = {0, 8, 4, 2, 6, 1, 3, 5, 7, 9};
    for (int k = 0; k < height; ++k) {
        for (int x = 0; x < width; ++x) {
            EXPECT_EQ(image.planes[0][order[k] * width + x], k) << "stream row " << k;
        }
    }
}

TEST(GifReader, PaletteWithoutColourTablesIsAGreyRamp) {
    GifFile file(2, 1, 0x07, 0);
    file.image(2, 1, {200, 7}, 8).trailer();
    RasterImage image;
    auto read = readGif(image, file.bytes());
    EXPECT_EQ(read.result, 1);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(colour(image, i), (std::array<int, 3>{i, i, i}));
    EXPECT_EQ(planeOf(image), (std::vector<int>{200, 7}));
}

TEST(GifReader, GlobalTableSizeFollowsTheScreenDepth) {
    // N = 0: two entries (six bytes), then the image right after them.
    GifFile file(3, 1, 0x80, 0, giftest::colourTable(2, 100, 110, 120));
    file.image(3, 1, {1, 0, 1}, 2).trailer();
    RasterImage image;
    auto read = readGif(image, file.bytes());
    EXPECT_EQ(read.result, 1);
    EXPECT_TRUE(read.shown.empty());
    EXPECT_EQ(colour(image, 0), (std::array<int, 3>{100, 110, 120}));
    EXPECT_EQ(colour(image, 1), (std::array<int, 3>{101, 111, 121}));
    EXPECT_EQ(planeOf(image), (std::vector<int>{1, 0, 1}));
    EXPECT_EQ(image.bitDepth, 8);  // set by the image, whatever the screen said
}

TEST(GifReader, LastImageWinsAndLocalTableReplacesItsEntriesOnly) {
    GifFile file(2, 2, 0x82, 0, giftest::colourTable(8, 10, 20, 30));
    file.image(2, 2, {1, 2, 3, 4}, 3);
    // Second image with a local table of 2 entries (M = 0).
    file.image(2, 2, {0, 1, 1, 0}, 2, 0x80, giftest::colourTable(2, 200, 210, 220));
    file.trailer();
    RasterImage image;
    auto read = readGif(image, file.bytes());
    EXPECT_EQ(read.result, 1);
    EXPECT_EQ(planeOf(image), (std::vector<int>{0, 1, 1, 0}));
    EXPECT_EQ(colour(image, 0), (std::array<int, 3>{200, 210, 220}));
    EXPECT_EQ(colour(image, 1), (std::array<int, 3>{201, 211, 221}));
    EXPECT_EQ(colour(image, 2), (std::array<int, 3>{12, 22, 32}));
    EXPECT_EQ(colour(image, 7), (std::array<int, 3>{17, 27, 37}));
}

TEST(GifReader, ImagesArePlacedFromTheFirstByteWithTheirOwnRowLength) {
    // Screen 4 x 3; a 2 x 2 image at left 1, top 1 still starts at byte 0,
    // its second row right after its first.
    GifFile file(4, 3, 0x82, 6, giftest::colourTable(8));
    file.image(2, 2, 0, {}, 3, dataOf(giftest::lzwEncode({1, 2, 3, 4}, 3)), 1, 1);
    file.trailer();
    RasterImage image;
    auto read = readGif(image, file.bytes());
    EXPECT_EQ(read.result, 1);
    EXPECT_EQ(planeOf(image), (std::vector<int>{1, 2, 3, 4, 6, 6, 6, 6, 6, 6, 6, 6}));
}

TEST(GifReader, PixelsBeyondThePlaneAreDecodedAndDropped) {
    // Screen 2 x 2, image 3 x 3 (interlaced and not): only the first four
    // bytes land, and the whole image's data is still consumed, so the
    // trailer is found.
    const std::vector<int> pixels = {1, 2, 3, 4, 5, 6, 7, 0, 1};
    for (int packed : {0x00, 0x40}) {
        GifFile file(2, 2, 0x82, 6, giftest::colourTable(8));
        file.image(3, 3, pixels, 3, packed).trailer();
        file.image(2, 2, {5, 5, 5, 5}, 3);  // after the trailer: never read
        RasterImage image;
        auto read = readGif(image, file.bytes());
        EXPECT_EQ(read.result, 1);
        EXPECT_TRUE(read.shown.empty());
        if (packed == 0) {
            EXPECT_EQ(planeOf(image), (std::vector<int>{1, 2, 3, 4}));
        } else {
            // Stream rows 0, 1, 2 go to rows 0, 2, 1: bytes 0-2, 6-8, 3-5.
            EXPECT_EQ(planeOf(image), (std::vector<int>{1, 2, 3, 7}));
        }
    }
}

TEST(GifReader, ImageWithNoPixelsReadsOnlyItsCodeSize) {
    // A zero-width image: its data blocks are then met by the block loop,
    // where a data byte of 0x3B ends the file.
    GifFile file(2, 1, 0x80, 1, giftest::colourTable(2));
    file.image(0, 5, 0, {}, 2, Bytes{0x02, 0x3B, 0x2C, 0x00});
    file.image(2, 1, {0, 0}, 2).trailer();
    RasterImage image;
    auto read = readGif(image, file.bytes());
    EXPECT_EQ(read.result, 1);
    EXPECT_TRUE(read.shown.empty());
    EXPECT_EQ(planeOf(image), (std::vector<int>{1, 1}));
}

TEST(GifReader, DataLeftAfterTheLastPixelIsReadAsIntroducers) {
    // All four pixels come from the first sub-block. A second one follows
    // (count 0x01, data 0x3B): the block loop ignores the count and takes
    // the data byte for the trailer, so the next image is never read.
    std::vector<Code> codes = {{4, 3}, {1, 3}, {2, 3}, {3, 3}, {0, 4}};
    Bytes blocks = {0x02};
    const Bytes packed = giftest::packCodes(codes);
    ASSERT_EQ(packed.size(), 2u);
    blocks.insert(blocks.end(), packed.begin(), packed.end());
    blocks.insert(blocks.end(), {0x01, 0x3B, 0x00});
    GifFile file(2, 2, 0x81, 3, giftest::colourTable(4));
    file.image(2, 2, 0, {}, 2, blocks);
    file.image(2, 2, {2, 2, 2, 2}, 2).trailer();
    RasterImage image;
    auto read = readGif(image, file.bytes());
    EXPECT_EQ(read.result, 1);
    EXPECT_TRUE(read.shown.empty());
    EXPECT_EQ(planeOf(image), (std::vector<int>{1, 2, 3, 0}));
}

TEST(GifReader, ExtensionsAndUnknownBytesAreSkipped) {
    GifFile file(2, 1, 0x80, 0, giftest::colourTable(2));
    file.append(Bytes{0x00, 0x99, 0xFF});  // not introducers: ignored
    file.append(Bytes{0x21, 0xF9, 0x04, 0x01, 0x00, 0x00, 0x01, 0x00});  // transparency
    file.append(Bytes{0x21, 0xFE, 0x03, 0x2C, 0x3B, 0x2C, 0x02, 0x3B, 0x3B, 0x00});
    file.append(Bytes{0x21, 0xFF, 0x0B}).append("NETSCAPE2.0").append(Bytes{0x03, 1, 0, 0, 0});
    file.image(2, 1, {1, 0}, 2).trailer();
    RasterImage image;
    auto read = readGif(image, file.bytes());
    EXPECT_EQ(read.result, 1);
    EXPECT_TRUE(read.shown.empty());
    EXPECT_EQ(planeOf(image), (std::vector<int>{1, 0}));
}

TEST(GifReader, FileWithoutTrailerIsReportedAsCorruptedButKept) {
    GifFile file(2, 1, 0x80, 0, giftest::colourTable(2));
    file.image(2, 1, {1, 0}, 2);
    RasterImage image;
    auto read = readGif(image, file.bytes());
    EXPECT_EQ(read.result, 1);
    expectOnlyMessage(read, "Corrupted file.");
    EXPECT_EQ(planeOf(image), (std::vector<int>{1, 0}));
}

TEST(GifReader, FileCutInsideImageDataGivesZerosAndOneMessage) {
    const auto pixels = giftest::noisePixels(64 * 64, 256, 7);
    GifFile whole(64, 64, 0x87, 9, giftest::colourTable(256));
    whole.image(64, 64, pixels, 8).trailer();
    // Cut after the descriptor, the code size, the first sub-block's count
    // and 100 of its data bytes.
    const size_t headerSize = 13 + 768 + 10 + 1 + 1;
    ASSERT_EQ(whole.bytes()[headerSize - 1], 255);  // the first sub-block's count
    Bytes cut(whole.bytes().begin(), whole.bytes().begin() + long(headerSize + 100));
    RasterImage image;
    auto read = readGif(image, cut);
    EXPECT_EQ(read.result, 1);
    expectOnlyMessage(read, "Corrupted file.");
    const auto plane = planeOf(image);
    // The 100 bytes there hold at least 80 codes, whose pixels come out
    // right; every pixel after the data ran out is 0.
    size_t decoded = 0;
    while (decoded < plane.size() && plane[decoded] == pixels[decoded]) ++decoded;
    EXPECT_GE(decoded, 80u);
    EXPECT_LE(decoded, 200u);
    EXPECT_EQ(std::count(plane.begin() + long(decoded), plane.end(), 0),
              long(plane.size() - decoded));
}

TEST(GifReader, EndCodeBeforeTheLastPixelLeavesZeros) {
    std::vector<Code> codes = {{4, 3}, {3, 3}, {2, 3}, {5, 3}, {1, 4}, {1, 4}};
    GifFile file(3, 2, 0x81, 2, giftest::colourTable(4));
    file.image(3, 2, 0, {}, 2, dataOf(codes));
    // The end code skips the rest of the data, so the next image is found.
    file.image(1, 1, {1}, 2);
    file.trailer();
    RasterImage image;
    auto read = readGif(image, file.bytes());
    EXPECT_EQ(read.result, 1);
    EXPECT_TRUE(read.shown.empty());
    EXPECT_EQ(planeOf(image), (std::vector<int>{1, 2, 0, 0, 0, 0}));
}

TEST(GifReader, CodeSizesOutsideTwoToElevenAreReportedAndDecoded) {
    const auto pixels = giftest::noisePixels(50 * 40, 2, 5);
    {
        // Size 1: clear code 2, end code 3; decodes as it says.
        GifFile file(50, 40, 0x80, 0, giftest::colourTable(2));
        file.image(50, 40, pixels, 1).trailer();
        RasterImage image;
        auto read = readGif(image, file.bytes());
        EXPECT_EQ(read.result, 1);
        expectOnlyMessage(read, "Invalid code size");
        EXPECT_EQ(planeOf(image), pixels);
    }
    for (int declared : {12, 13, 255}) {
        // Above 11 the data is decoded as size 11, within 12-bit codes.
        SCOPED_TRACE(declared);
        GifFile file(50, 40, 0x80, 0, giftest::colourTable(2));
        file.image(50, 40, 0, {}, declared, dataOf(giftest::lzwEncode(pixels, 11)));
        file.trailer();
        RasterImage image;
        auto read = readGif(image, file.bytes());
        EXPECT_EQ(read.result, 1);
        expectOnlyMessage(read, "Invalid code size");
        EXPECT_EQ(planeOf(image), pixels);
    }
}

TEST(GifReader, RootCodesAboveByteRangeKeepTheirLowBits) {
    const std::vector<int> pixels = {300, 1023, 256, 5, 300, 1023, 256, 5};
    GifFile file(8, 1, 0x07, 0);
    file.image(8, 1, pixels, 10).trailer();
    RasterImage image;
    auto read = readGif(image, file.bytes());
    EXPECT_EQ(read.result, 1);
    EXPECT_EQ(planeOf(image), (std::vector<int>{44, 255, 0, 5, 44, 255, 0, 5}));
}

TEST(GifReader, HugeScreenIsRefused) {
    GifFile file(65535, 65535, 0x80, 0, giftest::colourTable(2));
    file.trailer();
    RasterImage image;
    auto read = readGif(image, file.bytes());
    EXPECT_EQ(read.result, 0);
    expectOnlyMessage(read, "Unable to allocate memory for bitmap.");
}

TEST(GifReader, LoadRecognisesBothVersions) {
    for (const char* version : {"GIF87a", "GIF89a"}) {
        GifFile file(2, 1, 0x80, 0, giftest::colourTable(2));
        file.image(2, 1, {0, 1}, 2).trailer();
        Bytes bytes = file.bytes();
        std::copy(version, version + 6, bytes.begin());
        test::RecordingSink sink;
        test::TempFile temp(".gif", bytes);
        test::OpenFile in(temp.path());
        RasterImage image;
        std::fgetc(in.get());  // load must not depend on the position
        EXPECT_EQ(image.load(in.get(), temp.c_str()), 1) << version;
        EXPECT_TRUE(sink.shown.empty());
        EXPECT_EQ(planeOf(image), (std::vector<int>{0, 1}));
    }
}

TEST(GifLzwDecoder, PixelByPixelAndInChunksGiveTheSameStream) {
    // The stack carries the rest of a string from one call to the next; any
    // split of the output, stored or dropped, must give the same pixels and
    // leave the file at the same place.
    const auto noise = giftest::noisePixels(150, 6, 42);
    std::vector<int> pixels;
    for (int i = 0; i < 20; ++i) pixels.insert(pixels.end(), noise.begin(), noise.end());
    Bytes file = dataOf(giftest::lzwEncode(pixels, 3), 31);
    file.push_back(0x77);  // whatever follows the image data
    std::vector<int> want = pixels;
    want.insert(want.end(), 3, 0);  // after the end code

    for (size_t chunk : {size_t(1), size_t(2), size_t(7), size_t(64), size_t(5000)}) {
        SCOPED_TRACE(chunk);
        test::TempFile temp(".lzw", file);
        test::OpenFile in(temp.path());
        ByteSource source(in.get());
        gif::LzwDecoder decoder(source, 3);
        std::vector<uint8_t> buffer(chunk);
        for (size_t position = 0; position < want.size(); position += chunk) {
            const size_t n = std::min(chunk, want.size() - position);
            if (chunk == 1) {
                ASSERT_EQ(decoder.readLzwByte(), want[position]) << "pixel " << position;
                continue;
            }
            if ((position / chunk) % 3 == 2) {
                decoder.readLzwBytes(nullptr, n);  // dropped
                continue;
            }
            decoder.readLzwBytes(buffer.data(), n);
            for (size_t i = 0; i < n; ++i) {
                ASSERT_EQ(buffer[i], want[position + i]) << "pixel " << position + i;
            }
        }
        EXPECT_TRUE(decoder.finished());
        EXPECT_EQ(source.get(), 0x77);
    }
}
