// The GIF reader and its LZW decoder, against files put together by the
// test encoder and one made by another program.
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
using giftest::colourTable;
using giftest::dataOf;
using giftest::GifFile;
using giftest::lzwEncode;

namespace {

test::Decoded readGif(RasterImage& image, const Bytes& bytes) {
    return test::decode(image, bytes, &RasterImage::readGif, ".gif");
}

std::vector<int> planeOf(const RasterImage& image) {
    return std::vector<int>(image.planes[0], image.planes[0] + image.pixelCount());
}

std::array<int, 3> colour(const RasterImage& image, int index) {
    return {image.palette[3 * index], image.palette[3 * index + 1], image.palette[3 * index + 2]};
}

// Decoded with success and, when `text` is given, that one warning only.
void expectDecoded(const test::Decoded& read, const std::string& text = "") {
    EXPECT_EQ(read.result, 1);
    ASSERT_EQ(read.shown.size(), text.empty() ? 0u : 1u);
    if (text.empty()) return;
    EXPECT_EQ(read.shown[0].text, text);
    EXPECT_EQ(read.shown[0].caption, "GIF Reader");
    EXPECT_EQ(read.shown[0].style, platform::kMbIconWarning);
}

}  // namespace

TEST(GifReader, FileFromAnotherEncoderDecodesToItsColours) {
    // 24 x 12, five colours, written by ImageMagick (with a graphic control
    // extension): pixel (x, y) has colour (x * x + 3 * y + x * y / 2) % 5.
    const Bytes file = {0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x18, 0x00, 0x0c, 0x00, 0xf2, 0x00, 0x00, 0x00, 0x00, 0x00,
                        0xc8, 0x1e, 0x1e, 0x1e, 0xc8, 0x1e, 0xf0, 0xf0, 0x00, 0x1e, 0x1e, 0xc8, 0x00, 0x00, 0x00, 0x00,
                        0x00, 0x00, 0x00, 0x00, 0x00, 0x21, 0xf9, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x2c, 0x00, 0x00,
                        0x00, 0x00, 0x18, 0x00, 0x0c, 0x00, 0x00, 0x03, 0x5e, 0x18, 0x02, 0x20, 0xca, 0x6e, 0xb5, 0x37,
                        0xe5, 0x00, 0x63, 0x38, 0xa2, 0x32, 0xd6, 0x01, 0x27, 0x78, 0xd9, 0x48, 0x68, 0x26, 0x3a, 0x9c,
                        0x42, 0xda, 0xae, 0x57, 0x4b, 0xb4, 0x58, 0x10, 0x0b, 0xf3, 0x32, 0xd8, 0x0d, 0xce, 0x85, 0xb8,
                        0x00, 0xf0, 0x37, 0x23, 0x06, 0x43, 0x3c, 0x19, 0x6d, 0x77, 0xcb, 0xd5, 0x62, 0xb0, 0x17, 0xcb,
                        0x45, 0x8d, 0x6e, 0x3a, 0x97, 0x12, 0x72, 0x94, 0x05, 0x71, 0x20, 0x94, 0x08, 0x58, 0x22, 0x9e,
                        0x10, 0xbe, 0x8b, 0xd0, 0xe9, 0x1c, 0x68, 0x00, 0xd4, 0xab, 0x6f, 0x78, 0x4e, 0xa6, 0x33, 0xba,
                        0x57, 0xee, 0x27, 0x4f, 0x1a, 0x24, 0x00, 0x00, 0x3b};
    const std::array<int, 3> colours[5] = {{200, 30, 30}, {30, 200, 30}, {30, 30, 200}, {240, 240, 0}, {0, 0, 0}};
    RasterImage image;
    expectDecoded(readGif(image, file));
    ASSERT_EQ(image.width, 24);
    ASSERT_EQ(image.height, 12);
    EXPECT_EQ(image.bitDepth, 8);
    for (int i = 0; i < 24 * 12; ++i) {
        const int x = i % 24, y = i / 24, index = image.planes[0][i];
        ASSERT_LT(index, 8);
        EXPECT_EQ(colour(image, index), colours[(x * x + 3 * y + x * y / 2) % 5]) << "at " << x << "," << y;
    }
}

TEST(GifReader, RoundTripsThroughTheEncoderWithEveryTableShape) {
    struct Case {
        const char* name;
        int minimumCodeSize, colours, width, height;
        giftest::EncoderOptions options;
        size_t blockSize;
    };
    const Case cases[] = {
        {"256 colours, clear when full", 8, 256, 300, 200, {}, 255},
        {"no leading clear code", 8, 256, 97, 61, {false, true}, 255},
        {"table frozen at 4096 entries", 8, 256, 160, 120, {true, false}, 255},
        {"two-bit codes, tiny sub-blocks", 2, 4, 123, 45, {}, 1},
        {"seven-bit roots", 7, 100, 64, 64, {}, 17},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto pixels = giftest::noisePixels(size_t(c.width) * size_t(c.height), c.colours);
        GifFile file(c.width, c.height, 0x87, 0, colourTable(256));
        file.image(c.width, c.height, 0, {}, c.minimumCodeSize,
                   dataOf(lzwEncode(pixels, c.minimumCodeSize, c.options), c.blockSize));
        RasterImage image;
        expectDecoded(readGif(image, file.trailer().bytes()));
        EXPECT_EQ(planeOf(image), pixels);
    }
}

TEST(GifReader, DecodesCodesLayoutsAndBlocksAsTheFormatSays) {
    // Minimum code size 2 (clear 4, end 5, first free entry 6):
    //   1 "1"; 7 (> 6) taken as 6: "1 1", going on from code 0;
    //   2 "2", adding entry 7 = "0 2"; 7 "0 2"; 6 "1 1";
    //   10 (= next) the last string and its first pixel: "1 1 1"; end.
    const Bytes nextAndBeyond = dataOf({{4, 3}, {1, 3}, {7, 3}, {2, 3}, {7, 4}, {6, 4}, {10, 4}, {5, 4}});
    // All four pixels come from the first sub-block; a second one follows
    // (count 1, data 0x3B): the block loop takes its data byte for the
    // trailer, so the next image is never read.
    Bytes leftover = {0x02};
    const Bytes packed = giftest::packCodes({{4, 3}, {1, 3}, {2, 3}, {3, 3}, {0, 4}});
    leftover.insert(leftover.end(), packed.begin(), packed.end());
    leftover.insert(leftover.end(), {0x01, 0x3B, 0x00});
    // Minimum code size 2: "3", "2" (entry 6), the end code, then in the same
    // sub-block 1 (entry 7; codes grow to 4 bits) and 2; the last bits give a
    // 0 and the data has run out. The next sub-block (0x3B, which as an
    // introducer would end the file before the second image) is skipped.
    Bytes endThenMore = {0x03};
    const Bytes endPacked = giftest::packCodes({{4, 3}, {3, 3}, {2, 3}, {5, 3}, {1, 3}, {2, 4}});
    endThenMore.insert(endThenMore.end(), endPacked.begin(), endPacked.end());
    endThenMore.insert(endThenMore.end(), {0x01, 0x3B, 0x00});
    // The same with code size 1 (clear 2, end 3, codes of 2 bits): 1; 0
    // (entry 4 = "1 0", codes grow to 3 bits); end; 4 "1 0"; 5 "0 1"; 6
    // "1 0 0" (codes grow to 4 bits); the padding gives one more 0.
    Bytes endWithCodeSize1 = {0x03};
    const Bytes endPacked1 = giftest::packCodes({{2, 2}, {1, 2}, {0, 2}, {3, 3}, {4, 3}, {5, 3}, {6, 3}});
    endWithCodeSize1.insert(endWithCodeSize1.end(), endPacked1.begin(), endPacked1.end());
    endWithCodeSize1.insert(endWithCodeSize1.end(), {0x01, 0x3B, 0x00});
    const std::vector<int> nine = {1, 2, 3, 4, 5, 6, 7, 0, 1};
    const auto noise = giftest::noisePixels(50 * 40, 2, 5);
    // Interlaced: stream row k, filled with k, goes to row order[k].
    std::vector<int> streamRows, interlaced(50);
    const int order[] = {0, 8, 4, 2, 6, 1, 3, 5, 7, 9};
    for (int k = 0; k < 10; ++k) {
        streamRows.insert(streamRows.end(), 5, k);
        std::fill_n(interlaced.begin() + 5 * order[k], 5, k);
    }
    // Minimum code size 1 (clear 2, end 3): after "1" and "1" every code is
    // the next free entry, one pixel longer each, until the table is full
    // with a string of 4092 pixels.
    std::vector<Code> longest = {{2, 2}, {1, 2}, {1, 2}};
    int size = 3;
    size_t total = 2;
    for (int next = 5; next < 4096; ++next) {
        longest.push_back({next, size});
        total += size_t(next) - 3;  // entry next holds next - 3 pixels
        if (next + 1 >= (1 << size) && size < 12) ++size;
    }
    longest.push_back({3, size});
    const int longHeight = int(total / 4096) + 2;
    std::vector<int> longPixels(size_t(4096 * longHeight), 0);
    std::fill_n(longPixels.begin(), total, 1);
    std::vector<std::array<int, 4>> greyRamp;
    for (int i = 0; i < 256; ++i) greyRamp.push_back({i, i, i, i});

    struct Case {
        const char* name;
        Bytes file;
        std::vector<int> plane;
        std::string message;
        std::vector<std::array<int, 4>> colours;  // index, red, green, blue
    };
    const Case cases[] = {
        {"a code equal to the next entry, and one beyond it",
         GifFile(12, 1, 0x81, 9, colourTable(4)).image(12, 1, 0, {}, 2, nextAndBeyond).trailer().bytes(),
         {1, 1, 1, 2, 0, 2, 1, 1, 1, 1, 1, 0},
         "",
         {}},
        {"an end code gives 0 and skips the later sub-blocks; codes left in its own still count",
         GifFile(3, 3, 0x82, 7, colourTable(8))
             .image(3, 3, 0, {}, 2, endThenMore)
             .image(1, 1, {6}, 3)
             .trailer()
             .bytes(),
         {6, 2, 0, 1, 2, 0, 0, 0, 0},
         "",
         {}},
        {"data after the last pixel is read as introducers",
         GifFile(2, 2, 0x81, 3, colourTable(4))
             .image(2, 2, 0, {}, 2, leftover)
             .image(2, 2, {2, 2, 2, 2}, 2)
             .trailer()
             .bytes(),
         {1, 2, 3, 0},
         "",
         {}},
        {"an image starts at the first byte with its own row length",
         GifFile(4, 3, 0x82, 6, colourTable(8))
             .image(2, 2, 0, {}, 3, dataOf(lzwEncode({1, 2, 3, 4}, 3)), 1, 1)
             .trailer()
             .bytes(),
         {1, 2, 3, 4, 6, 6, 6, 6, 6, 6, 6, 6},
         "",
         {}},
        {"pixels beyond the plane are decoded and dropped",
         GifFile(2, 2, 0x82, 6, colourTable(8)).image(3, 3, nine, 3).trailer().image(2, 2, {5, 5, 5, 5}, 3).bytes(),
         {1, 2, 3, 4},
         "",
         {}},
        {"the same, interlaced: stream rows 0, 1, 2 go to rows 0, 2, 1",
         GifFile(2, 2, 0x82, 6, colourTable(8))
             .image(3, 3, nine, 3, 0x40)
             .trailer()
             .image(2, 2, {5, 5, 5, 5}, 3)
             .bytes(),
         {1, 2, 3, 7},
         "",
         {}},
        {"interlaced rows go to their passes",
         GifFile(5, 10, 0x83, 15, colourTable(16)).image(5, 10, streamRows, 4, 0x40).trailer().bytes(),
         interlaced,
         "",
         {}},
        {"a zero-width image reads only its code size; a data byte 0x3B then ends the file",
         GifFile(2, 1, 0x80, 1, colourTable(2))
             .image(0, 5, 0, {}, 2, {0x02, 0x3B, 0x2C, 0x00})
             .image(2, 1, {0, 0}, 2)
             .trailer()
             .bytes(),
         {1, 1},
         "",
         {}},
        {"extensions and unknown bytes are skipped",
         GifFile(2, 1, 0x80, 0, colourTable(2))
             .append(Bytes{0x00, 0x99, 0xFF})
             .append(Bytes{0x21, 0xF9, 0x04, 0x01, 0x00, 0x00, 0x01, 0x00})
             .append(Bytes{0x21, 0xFE, 0x03, 0x2C, 0x3B, 0x2C, 0x02, 0x3B, 0x3B, 0x00})
             .append(Bytes{0x21, 0xFF, 0x0B})
             .append("NETSCAPE2.0")
             .append(Bytes{0x03, 1, 0, 0, 0})
             .image(2, 1, {1, 0}, 2)
             .trailer()
             .bytes(),
         {1, 0},
         "",
         {}},
        {"no trailer: reported, and kept",
         GifFile(2, 1, 0x80, 0, colourTable(2)).image(2, 1, {1, 0}, 2).bytes(),
         {1, 0},
         "Corrupted file.",
         {}},
        {"code size 1: an end code gives 0, the codes after it in its sub-block still count",
         GifFile(4, 3, 0x80, 1, colourTable(2))
             .image(4, 3, 0, {}, 1, endWithCodeSize1)
             .image(1, 1, {0}, 2)
             .trailer()
             .bytes(),
         {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 0, 0},
         "Invalid code size",
         {}},
        {"three images of code size 1: reported once",
         GifFile(2, 1, 0x80, 0, colourTable(2))
             .image(2, 1, {1, 0}, 1)
             .image(2, 1, {0, 1}, 1)
             .image(1, 1, {1}, 1)
             .trailer()
             .bytes(),
         {1, 1},
         "Invalid code size",
         {}},
        {"code size 1: reported, decoded as it says",
         GifFile(50, 40, 0x80, 0, colourTable(2)).image(50, 40, noise, 1).trailer().bytes(),
         noise,
         "Invalid code size",
         {}},
        {"code size 12: reported, decoded as 11",
         GifFile(50, 40, 0x80, 0, colourTable(2))
             .image(50, 40, 0, {}, 12, dataOf(lzwEncode(noise, 11)))
             .trailer()
             .bytes(),
         noise,
         "Invalid code size",
         {}},
        {"code size 13",
         GifFile(50, 40, 0x80, 0, colourTable(2))
             .image(50, 40, 0, {}, 13, dataOf(lzwEncode(noise, 11)))
             .trailer()
             .bytes(),
         noise,
         "Invalid code size",
         {}},
        {"code size 255",
         GifFile(50, 40, 0x80, 0, colourTable(2))
             .image(50, 40, 0, {}, 255, dataOf(lzwEncode(noise, 11)))
             .trailer()
             .bytes(),
         noise,
         "Invalid code size",
         {}},
        {"the longest strings fill the whole table; the rest of the image is 0",
         GifFile(4096, longHeight, 0x80, 1, colourTable(2))
             .image(4096, longHeight, 0, {}, 1, dataOf(longest))
             .trailer()
             .bytes(),
         longPixels,
         "Invalid code size",
         {}},
        {"roots above the byte range keep their low bits",
         GifFile(8, 1, 0x07, 0).image(8, 1, {300, 1023, 256, 5, 300, 1023, 256, 5}, 10).trailer().bytes(),
         {44, 255, 0, 5, 44, 255, 0, 5},
         "",
         {}},
        {"without colour tables the palette is a grey ramp",
         GifFile(2, 1, 0x07, 0).image(2, 1, {200, 7}, 8).trailer().bytes(),
         {200, 7},
         "",
         greyRamp},
        {"the global table's size follows the screen depth (0: two entries)",
         GifFile(3, 1, 0x80, 0, colourTable(2, 100, 110, 120)).image(3, 1, {1, 0, 1}, 2).trailer().bytes(),
         {1, 0, 1},
         "",
         {{0, 100, 110, 120}, {1, 101, 111, 121}}},
        {"the last image wins; a local table replaces its own entries only",
         GifFile(2, 2, 0x82, 0, colourTable(8, 10, 20, 30))
             .image(2, 2, {1, 2, 3, 4}, 3)
             .image(2, 2, {0, 1, 1, 0}, 2, 0x80, colourTable(2, 200, 210, 220))
             .trailer()
             .bytes(),
         {0, 1, 1, 0},
         "",
         {{0, 200, 210, 220}, {1, 201, 211, 221}, {2, 12, 22, 32}, {7, 17, 27, 37}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RasterImage image;
        expectDecoded(readGif(image, c.file), c.message);
        EXPECT_EQ(image.bitDepth, 8);  // whatever the screen said
        EXPECT_EQ(planeOf(image), c.plane);
        for (const auto& entry : c.colours) {
            EXPECT_EQ(colour(image, entry[0]), (std::array<int, 3>{entry[1], entry[2], entry[3]})) << entry[0];
        }
    }
}

TEST(GifReader, FileCutInsideImageDataGivesZerosAndOneMessage) {
    const auto pixels = giftest::noisePixels(64 * 64, 256, 7);
    GifFile whole(64, 64, 0x87, 9, colourTable(256));
    whole.image(64, 64, pixels, 8).trailer();
    // Cut after the descriptor, the code size, the first sub-block's count
    // and 100 of its data bytes.
    const size_t headerSize = 13 + 768 + 10 + 1 + 1;
    ASSERT_EQ(whole.bytes()[headerSize - 1], 255);
    RasterImage image;
    expectDecoded(readGif(image, Bytes(whole.bytes().begin(), whole.bytes().begin() + long(headerSize + 100))),
                  "Corrupted file.");
    // The 100 bytes hold at least 80 codes, whose pixels come out right;
    // every pixel after the data ran out is 0.
    const auto plane = planeOf(image);
    size_t decoded = 0;
    while (decoded < plane.size() && plane[decoded] == pixels[decoded]) ++decoded;
    EXPECT_GE(decoded, 80u);
    EXPECT_LE(decoded, 200u);
    EXPECT_EQ(std::count(plane.begin() + long(decoded), plane.end(), 0), long(plane.size() - decoded));
}

TEST(GifReader, ImagesWhoseDataRunsOutLeaveTheSamePlaneAsPixelByPixelDecoding) {
    // Many images on one screen, each with fewer pixels in its data than it
    // covers (so the rest of it is 0), larger or smaller than the screen,
    // interlaced or not, on a background of 0 or not. The reader must leave
    // what decoding every pixel in turn into its place would leave.
    uint32_t state = 12345;
    auto next = [&](uint32_t below) {
        state = state * 1103515245u + 12345u;
        return (state >> 8) % below;
    };
    for (int round = 0; round < 60; ++round) {
        SCOPED_TRACE(round);
        const int screenWidth = 1 + int(next(40)), screenHeight = 1 + int(next(30));
        const int background = round % 3 == 0 ? 0 : 1 + int(next(200));
        GifFile file(screenWidth, screenHeight, 0x87, background, colourTable(256));
        const size_t planeSize = size_t(screenWidth) * size_t(screenHeight);
        std::vector<int> want(planeSize, background);
        const int images = 1 + int(next(12));
        for (int i = 0; i < images; ++i) {
            const int width = 1 + int(next(50)), height = 1 + int(next(40));
            const bool interlaced = next(2) == 1;
            const int minimumCodeSize = 2 + int(next(7));
            std::vector<int> pixels(next(uint32_t(width * height)));
            for (int& pixel : pixels) pixel = 1 + int(next((1u << minimumCodeSize) - 1));
            std::vector<Code> codes = lzwEncode(pixels, minimumCodeSize);
            if (next(3) == 0) codes.pop_back();  // no end code: the sub-blocks just end
            const Bytes data = dataOf(codes, 1 + next(255));
            file.image(width, height, interlaced ? 0x40 : 0, {}, minimumCodeSize, data);

            Bytes alone = data;
            alone.push_back(0x77);
            test::TempFile temp(".lzw", alone);
            test::OpenFile in(temp.path());
            ByteSource source(in.get());
            gif::LzwDecoder decoder(source, minimumCodeSize);
            std::vector<int> rows;
            for (const auto& pass : interlaced ? std::vector<std::pair<int, int>>{{0, 8}, {4, 8}, {2, 4}, {1, 2}}
                                               : std::vector<std::pair<int, int>>{{0, 1}}) {
                for (int y = pass.first; y < height; y += pass.second) rows.push_back(y);
            }
            for (int y : rows) {
                for (int x = 0; x < width; ++x) {
                    const int pixel = decoder.readLzwByte();
                    const size_t at = size_t(y) * size_t(width) + size_t(x);
                    if (at < planeSize) want[at] = pixel;
                }
            }
            ASSERT_EQ(source.get(), 0x77);  // the data was read to its end
        }
        RasterImage image;
        expectDecoded(readGif(image, file.trailer().bytes()));
        ASSERT_EQ(planeOf(image), want);
    }
}

TEST(GifReader, HugeScreenIsRefused) {
    RasterImage image;
    auto read = readGif(image, GifFile(65535, 65535, 0x80, 0, colourTable(2)).trailer().bytes());
    EXPECT_EQ(read.result, 0);
    ASSERT_EQ(read.shown.size(), 1u);
    EXPECT_EQ(read.shown[0].text, "Unable to allocate memory for bitmap.");
    EXPECT_EQ(read.shown[0].caption, "GIF Reader");
}

TEST(GifReader, LoadRecognisesBothVersions) {
    for (const char* version : {"GIF87a", "GIF89a"}) {
        Bytes bytes = GifFile(2, 1, 0x80, 0, colourTable(2)).image(2, 1, {0, 1}, 2).trailer().bytes();
        std::copy(version, version + 6, bytes.begin());
        RasterImage image;
        expectDecoded(test::load(image, bytes, ".gif"));
        EXPECT_EQ(planeOf(image), (std::vector<int>{0, 1})) << version;
    }
}

TEST(GifLzwDecoder, PixelByPixelAndInChunksGiveTheSameStream) {
    // The stack carries the rest of a string from one call to the next; any
    // split of the output, stored or dropped, must give the same pixels and
    // leave the file at the same place.
    const auto noise = giftest::noisePixels(150, 6, 42);
    std::vector<int> pixels;
    for (int i = 0; i < 20; ++i) pixels.insert(pixels.end(), noise.begin(), noise.end());
    Bytes file = dataOf(lzwEncode(pixels, 3), 31);
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
            } else if ((position / chunk) % 3 == 2) {
                decoder.readLzwBytes(nullptr, n);  // dropped
            } else {
                decoder.readLzwBytes(buffer.data(), n);
                for (size_t i = 0; i < n; ++i) ASSERT_EQ(buffer[i], want[position + i]) << "pixel " << position + i;
            }
        }
        EXPECT_TRUE(decoder.finished());
        EXPECT_EQ(source.get(), 0x77);
    }
}
