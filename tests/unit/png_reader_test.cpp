#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <png.h>

#include "TestSupport.h"
#include "image/RasterImage.h"
#include "platform/Messages.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct PngPicture {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bitDepth = 8;
    int colourType = PNG_COLOR_TYPE_RGB;
    bool interlaced = false;
    std::vector<png_color> palette;
    Bytes paletteAlpha;       // tRNS of a palette picture
    int transparentGrey = -1;  // tRNS of a greyscale picture
    std::string text;         // a tEXt chunk before the image data when not empty
    std::vector<Bytes> rows;  // as stored: packed, 16-bit samples big-endian
    bool headerOnly = false;  // stop after the chunks before the image data
};

void appendOutput(png_structp png, png_bytep data, size_t length) {
    auto* out = static_cast<std::vector<unsigned char>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void flushNothing(png_structp) {}

// Encodes with the library's own writer. Without a jump buffer an error in
// here aborts the test program, which is what a broken test input deserves.
std::vector<unsigned char> encode(const PngPicture& picture) {
    std::vector<unsigned char> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, appendOutput, flushNothing);
    png_set_IHDR(png, info, picture.width, picture.height, picture.bitDepth, picture.colourType,
                 picture.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!picture.palette.empty()) {
        png_set_PLTE(png, info, picture.palette.data(), int(picture.palette.size()));
    }
    if (!picture.paletteAlpha.empty()) {
        png_set_tRNS(png, info, picture.paletteAlpha.data(), int(picture.paletteAlpha.size()),
                     nullptr);
    }
    if (picture.transparentGrey >= 0) {
        png_color_16 grey = {};
        grey.gray = png_uint_16(picture.transparentGrey);
        png_set_tRNS(png, info, nullptr, 0, &grey);
    }
    std::string key = "Comment";
    std::string value = picture.text;
    if (!value.empty()) {
        png_text text = {};
        text.compression = PNG_TEXT_COMPRESSION_NONE;
        text.key = &key[0];
        text.text = &value[0];
        png_set_text(png, info, &text, 1);
    }
    png_write_info(png, info);
    if (picture.headerOnly) {
        // An empty image data chunk ends what the reader reads as the header.
        png_write_chunk(png, reinterpret_cast<png_const_bytep>("IDAT"), nullptr, 0);
    } else {
        const int passes = png_set_interlace_handling(png);
        for (int pass = 0; pass < passes; ++pass) {
            for (const Bytes& row : picture.rows) png_write_row(png, row.data());
        }
        png_write_end(png, nullptr);
    }
    png_destroy_write_struct(&png, &info);
    return out;
}

// An 8-bit colour picture whose every sample is known.
PngPicture colourPattern(png_uint_32 width, png_uint_32 height, bool alpha) {
    PngPicture picture;
    picture.width = width;
    picture.height = height;
    picture.colourType = alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB;
    for (png_uint_32 y = 0; y < height; ++y) {
        Bytes row;
        for (png_uint_32 x = 0; x < width; ++x) {
            row.push_back(uint8_t(x * 19));
            row.push_back(uint8_t(y * 23));
            row.push_back(uint8_t(x * y + 5));
            if (alpha) row.push_back(uint8_t(255 - x - y));
        }
        picture.rows.push_back(row);
    }
    return picture;
}

struct Read {
    int result = -1;
    std::vector<test::ShownMessage> shown;
};

Read readPng(RasterImage& image, const std::vector<unsigned char>& bytes) {
    Read read;
    test::RecordingSink sink;
    test::TempFile file(".png", bytes);
    test::OpenFile in(file.path());
    read.result = image.readPng(in.get());
    read.shown = sink.shown;
    return read;
}

Bytes plane(const RasterImage& image, int index) {
    return Bytes(image.planes[index], image.planes[index] + image.pixelCount());
}

Bytes paletteOf(const RasterImage& image) {
    return Bytes(image.palette, image.palette + 768);
}

void expectColourPattern(const RasterImage& image, png_uint_32 width, png_uint_32 height,
                         bool alpha) {
    ASSERT_EQ(image.width, int32_t(width));
    ASSERT_EQ(image.height, int32_t(height));
    ASSERT_EQ(image.bitDepth, alpha ? 32 : 24);
    for (png_uint_32 y = 0; y < height; ++y) {
        for (png_uint_32 x = 0; x < width; ++x) {
            const size_t i = size_t(y) * width + x;
            ASSERT_EQ(image.planes[2][i], uint8_t(x * 19)) << x << "," << y;
            ASSERT_EQ(image.planes[1][i], uint8_t(y * 23)) << x << "," << y;
            ASSERT_EQ(image.planes[0][i], uint8_t(x * y + 5)) << x << "," << y;
            if (alpha) {
                ASSERT_EQ(image.planes[3][i], uint8_t(255 - x - y)) << x << "," << y;
            }
        }
    }
}

void expectOneWarning(const Read& read, const std::string& text) {
    ASSERT_EQ(read.shown.size(), 1u);
    EXPECT_EQ(read.shown[0].caption, "PNG Reader");
    EXPECT_EQ(read.shown[0].style, platform::kMbIconWarning);
    if (!text.empty()) {
        EXPECT_EQ(read.shown[0].text, text);
    }
    EXPECT_FALSE(read.shown[0].text.empty());
}

// Position of a chunk's type field, or 0.
size_t findChunk(const std::vector<unsigned char>& bytes, const char* type) {
    for (size_t i = 8; i + 4 <= bytes.size(); ++i) {
        if (std::memcmp(&bytes[i], type, 4) == 0) return i;
    }
    return 0;
}

}  // namespace

TEST(PngColour, RedThenBlueLandInPlanesTwoAndZero) {
    PngPicture picture;
    picture.width = 2;
    picture.height = 1;
    picture.rows = {{255, 0, 0, 0, 0, 255}};
    RasterImage image;
    Read read = readPng(image, encode(picture));
    EXPECT_EQ(read.result, 1);
    EXPECT_TRUE(read.shown.empty());
    EXPECT_EQ(image.bitDepth, 24);
    EXPECT_EQ(image.palette, nullptr);
    EXPECT_EQ(plane(image, 2), (Bytes{255, 0}));
    EXPECT_EQ(plane(image, 1), (Bytes{0, 0}));
    EXPECT_EQ(plane(image, 0), (Bytes{0, 255}));
}

TEST(PngColour, AlphaSamplesGoToTheFourthPlane) {
    RasterImage image;
    EXPECT_EQ(readPng(image, encode(colourPattern(5, 4, true))).result, 1);
    expectColourPattern(image, 5, 4, true);
}

TEST(PngColour, SixteenBitSamplesDecodeLikeTheirEightBitReduction) {
    PngPicture wide;
    wide.width = 3;
    wide.height = 2;
    wide.bitDepth = 16;
    const PngPicture narrow = colourPattern(3, 2, false);
    for (const Bytes& row : narrow.rows) {
        Bytes doubled;
        for (uint8_t sample : row) {
            doubled.push_back(sample);
            doubled.push_back(uint8_t(sample ^ 0xA5));
        }
        wide.rows.push_back(doubled);
    }
    RasterImage image;
    EXPECT_EQ(readPng(image, encode(wide)).result, 1);
    expectColourPattern(image, 3, 2, false);
}

TEST(PngColour, InterlacedFileGivesTheSamePictureAsItsPlainTwin) {
    for (bool alpha : {false, true}) {
        SCOPED_TRACE(alpha);
        PngPicture picture = colourPattern(13, 11, alpha);
        picture.interlaced = true;
        RasterImage image;
        Read read = readPng(image, encode(picture));
        EXPECT_EQ(read.result, 1);
        EXPECT_TRUE(read.shown.empty());
        expectColourPattern(image, 13, 11, alpha);
    }
}

TEST(PngGrey, OneBitGreyGivesFullRangeIndicesAndTheGreyRamp) {
    PngPicture picture;
    picture.width = 10;
    picture.height = 1;
    picture.bitDepth = 1;
    picture.colourType = PNG_COLOR_TYPE_GRAY;
    picture.rows = {{0b10110000, 0b01000000}};
    RasterImage image;
    EXPECT_EQ(readPng(image, encode(picture)).result, 1);
    EXPECT_EQ(image.bitDepth, 8);
    EXPECT_EQ(plane(image, 0), (Bytes{255, 0, 255, 255, 0, 0, 0, 0, 0, 255}));
    const Bytes palette = paletteOf(image);
    for (size_t i = 0; i < 256; ++i) {
        ASSERT_EQ(palette[3 * i], i);
        ASSERT_EQ(palette[3 * i + 1], i);
        ASSERT_EQ(palette[3 * i + 2], i);
    }
}

TEST(PngGrey, EightAndSixteenBitGreyKeepTheirLevelsAsIndices) {
    PngPicture eight;
    eight.width = 3;
    eight.height = 1;
    eight.colourType = PNG_COLOR_TYPE_GRAY;
    eight.rows = {{0, 100, 255}};
    eight.transparentGrey = 100;  // ignored at 8 bits and above
    RasterImage a;
    EXPECT_EQ(readPng(a, encode(eight)).result, 1);
    EXPECT_EQ(a.bitDepth, 8);
    EXPECT_EQ(plane(a, 0), (Bytes{0, 100, 255}));

    PngPicture sixteen = eight;
    sixteen.bitDepth = 16;
    sixteen.transparentGrey = -1;
    sixteen.rows = {{0x00, 0xFF, 0x64, 0x12, 0xFF, 0x00}};
    RasterImage b;
    EXPECT_EQ(readPng(b, encode(sixteen)).result, 1);
    EXPECT_EQ(plane(b, 0), (Bytes{0, 100, 255}));
}

TEST(PngGrey, TwoChannelPicturesAreRefusedAsAllocationFailures) {
    PngPicture withAlpha;
    withAlpha.width = 2;
    withAlpha.height = 1;
    withAlpha.colourType = PNG_COLOR_TYPE_GRAY_ALPHA;
    withAlpha.rows = {{10, 255, 20, 128}};
    RasterImage a;
    Read read = readPng(a, encode(withAlpha));
    EXPECT_EQ(read.result, 0);
    expectOneWarning(read, "Unable to allocate memory for bitmap.");
    EXPECT_EQ(a.width, 2);
    EXPECT_EQ(a.height, 1);

    // Below 8 bits the expansion turns a transparency chunk into alpha.
    PngPicture lowGrey;
    lowGrey.width = 4;
    lowGrey.height = 1;
    lowGrey.bitDepth = 2;
    lowGrey.colourType = PNG_COLOR_TYPE_GRAY;
    lowGrey.transparentGrey = 1;
    lowGrey.rows = {{0b00011011}};
    RasterImage b;
    read = readPng(b, encode(lowGrey));
    EXPECT_EQ(read.result, 0);
    expectOneWarning(read, "Unable to allocate memory for bitmap.");
}

TEST(PngPalette, FourBitIndicesAndTheFilesEntries) {
    PngPicture picture;
    picture.width = 16;
    picture.height = 1;
    picture.bitDepth = 4;
    picture.colourType = PNG_COLOR_TYPE_PALETTE;
    for (int i = 0; i < 16; ++i) {
        picture.palette.push_back({uint8_t(i * 16), uint8_t(255 - i), uint8_t(i * 3 + 1)});
    }
    picture.rows = {{0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}};
    Bytes fileEntries;
    for (const png_color& c : picture.palette) {
        fileEntries.insert(fileEntries.end(), {c.red, c.green, c.blue});
    }

    RasterImage plain;
    EXPECT_EQ(readPng(plain, encode(picture)).result, 1);
    EXPECT_EQ(plain.bitDepth, 8);
    Bytes indices;
    for (uint8_t i = 0; i < 16; ++i) indices.push_back(i);
    EXPECT_EQ(plane(plain, 0), indices);
    const Bytes palette = paletteOf(plain);
    EXPECT_EQ(Bytes(palette.begin(), palette.begin() + 48), fileEntries);
    // Entries the file does not have are black.
    EXPECT_EQ(Bytes(palette.begin() + 48, palette.end()), Bytes(768 - 48, 0));

    // A transparency chunk changes nothing.
    picture.paletteAlpha = {0, 128, 255, 7};
    RasterImage transparent;
    Read read = readPng(transparent, encode(picture));
    EXPECT_EQ(read.result, 1);
    EXPECT_TRUE(read.shown.empty());
    EXPECT_EQ(transparent.bitDepth, 8);
    EXPECT_EQ(plane(transparent, 0), indices);
    EXPECT_EQ(paletteOf(transparent), palette);
}

TEST(PngDamaged, MissingEndChunkIsAReadError) {
    std::vector<unsigned char> bytes = encode(colourPattern(4, 4, false));
    bytes.resize(bytes.size() - 12);  // IEND: length, type, CRC
    RasterImage image;
    Read read = readPng(image, bytes);
    EXPECT_EQ(read.result, 0);
    expectOneWarning(read, "");
}

TEST(PngDamaged, FileEndingInsideTheImageDataIsAnError) {
    std::vector<unsigned char> bytes = encode(colourPattern(40, 30, true));
    bytes.resize(findChunk(bytes, "IDAT") + 30);
    RasterImage image;
    Read read = readPng(image, bytes);
    EXPECT_EQ(read.result, 0);
    expectOneWarning(read, "");
}

TEST(PngDamaged, DamagedAncillaryChunkWarnsOnceAndStillDecodes) {
    PngPicture picture = colourPattern(3, 3, false);
    picture.text = "made for a test";
    std::vector<unsigned char> bytes = encode(picture);
    const size_t text = findChunk(bytes, "tEXt");
    ASSERT_NE(text, 0u);
    bytes[text + 6] ^= 0x20;
    RasterImage image;
    Read read = readPng(image, bytes);
    EXPECT_EQ(read.result, 1);
    expectOneWarning(read, "");
    expectColourPattern(image, 3, 3, false);
}

TEST(PngDamaged, BadChecksumOfTheHeaderIsAnError) {
    std::vector<unsigned char> bytes = encode(colourPattern(3, 3, false));
    const size_t header = findChunk(bytes, "IHDR");
    bytes[header + 4 + 13] ^= 0xFF;  // first byte of its CRC
    RasterImage image;
    Read read = readPng(image, bytes);
    EXPECT_EQ(read.result, 0);
    expectOneWarning(read, "");
    EXPECT_EQ(image.planes[0], nullptr);
}

TEST(PngDamaged, HugePictureIsRefusedBeforeItsRowsAreObtained) {
    PngPicture picture;
    picture.width = 1000000;
    picture.height = 1000000;
    picture.colourType = PNG_COLOR_TYPE_RGB_ALPHA;
    picture.headerOnly = true;
    const auto start = std::chrono::steady_clock::now();
    RasterImage image;
    Read read = readPng(image, encode(picture));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(read.result, 0);
    expectOneWarning(read, "Unable to allocate memory for bitmap.");
    EXPECT_EQ(image.width, 1000000);
}
