// The PNG reader against pictures made by the library's own writer.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <png.h>
#include <zlib.h>

#include "TestSupport.h"
#include "image/RasterImage.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct PngPicture {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bitDepth = 8;
    int colourType = PNG_COLOR_TYPE_RGB;
    bool interlaced = false;
    std::vector<png_color> palette;
    Bytes paletteAlpha;        // tRNS of a palette picture
    int transparentGrey = -1;  // tRNS of a greyscale picture
    bool text = false;         // a tEXt chunk before the image data
    std::vector<Bytes> rows;   // as stored: packed, 16-bit samples big-endian
    bool headerOnly = false;   // stop after the chunks before the image data
};

void appendOutput(png_structp png, png_bytep data, size_t length) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void flushNothing(png_structp) {}

// Without a jump buffer an error in here aborts the test program, which is
// what a broken test input deserves.
Bytes encode(const PngPicture& picture) {
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, appendOutput, flushNothing);
    png_set_IHDR(png, info, picture.width, picture.height, picture.bitDepth, picture.colourType,
                 picture.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!picture.palette.empty()) png_set_PLTE(png, info, picture.palette.data(), int(picture.palette.size()));
    png_color_16 grey = {};
    grey.gray = png_uint_16(picture.transparentGrey);
    if (!picture.paletteAlpha.empty() || picture.transparentGrey >= 0) {
        png_set_tRNS(png, info, picture.paletteAlpha.data(), int(picture.paletteAlpha.size()),
                     picture.transparentGrey >= 0 ? &grey : nullptr);
    }
    char key[] = "Comment", value[] = "made for a test";
    png_text text = {};
    text.compression = PNG_TEXT_COMPRESSION_NONE;
    text.key = key;
    text.text = value;
    if (picture.text) png_set_text(png, info, &text, 1);
    png_write_info(png, info);
    if (picture.headerOnly) {
        // An empty image data chunk ends what the reader reads as the header.
        png_write_chunk(png, reinterpret_cast<png_const_bytep>("IDAT"), nullptr, 0);
    } else {
        for (int pass = png_set_interlace_handling(png); pass > 0; --pass) {
            for (const Bytes& row : picture.rows) png_write_row(png, row.data());
        }
        png_write_end(png, nullptr);
    }
    png_destroy_write_struct(&png, &info);
    return out;
}

PngPicture picture(png_uint_32 width, png_uint_32 height, int depth, int type, std::vector<Bytes> rows) {
    PngPicture p;
    p.width = width;
    p.height = height;
    p.bitDepth = depth;
    p.colourType = type;
    p.rows = std::move(rows);
    return p;
}

// An 8-bit (or 16-bit: each sample followed by a byte the reduction drops)
// colour picture whose every sample is known.
PngPicture colourPattern(png_uint_32 width, png_uint_32 height, bool alpha, int depth = 8) {
    PngPicture p = picture(width, height, depth, alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, {});
    for (png_uint_32 y = 0; y < height; ++y) {
        Bytes row;
        for (png_uint_32 x = 0; x < width; ++x) {
            std::vector<uint32_t> samples = {x * 19, y * 23, x * y + 5};
            if (alpha) samples.push_back(255 - x - y);
            for (uint32_t sample : samples) {
                row.push_back(uint8_t(sample));
                if (depth == 16) row.push_back(uint8_t(sample ^ 0xA5));
            }
        }
        p.rows.push_back(row);
    }
    return p;
}

void expectColourPattern(const RasterImage& image, png_uint_32 width, png_uint_32 height, bool alpha) {
    ASSERT_EQ(image.width, int32_t(width));
    ASSERT_EQ(image.height, int32_t(height));
    ASSERT_EQ(image.bitDepth, alpha ? 32 : 24);
    for (png_uint_32 y = 0; y < height; ++y) {
        for (png_uint_32 x = 0; x < width; ++x) {
            const size_t i = size_t(y) * width + x;
            ASSERT_EQ(test::rgbAt(image, i), (std::vector<int>{uint8_t(x * 19), uint8_t(y * 23), uint8_t(x * y + 5)}))
                << x << "," << y;
            if (alpha) {
                ASSERT_EQ(image.planes[3][i], uint8_t(255 - x - y)) << x << "," << y;
            }
        }
    }
}

// A chunk as it is stored; `length` overrides the length field, and a
// damaged checksum is the right one inverted.
Bytes chunk(const char* type, const Bytes& data, uint32_t length, bool damaged = false) {
    Bytes out;
    out.reserve(12 + data.size());  // MinGW's -O3 bounds warning has no false lead then
    out.insert(out.end(), {uint8_t(length >> 24), uint8_t(length >> 16), uint8_t(length >> 8), uint8_t(length)});
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(type), 4);
    if (!data.empty()) crc = crc32(crc, data.data(), uInt(data.size()));  // a null buffer restarts it
    if (damaged) crc ^= 0xFFFFFFFFu;
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(crc >> shift));
    return out;
}

// The file with `more` inserted just before its first image data chunk.
Bytes insertBeforeImageData(Bytes file, const Bytes& more);

test::Decoded readPng(RasterImage& image, const Bytes& bytes) {
    return test::decode(image, bytes, &RasterImage::readPng, ".png");
}

// Position of a chunk's type field, or 0.
size_t findChunk(const Bytes& bytes, const char* type) {
    for (size_t i = 8; i + 4 <= bytes.size(); ++i) {
        if (std::memcmp(&bytes[i], type, 4) == 0) return i;
    }
    return 0;
}

Bytes insertBeforeImageData(Bytes file, const Bytes& more) {
    const size_t at = findChunk(file, "IDAT") - 4;  // its length field
    file.insert(file.begin() + long(at), more.begin(), more.end());
    return file;
}

}  // namespace

TEST(PngReader, ColourPicturesGiveRedGreenBlueAndAlphaPlanes) {
    struct Case {
        const char* name;
        PngPicture picture;
        bool alpha;
    };
    PngPicture interlaced = colourPattern(13, 11, false), interlacedAlpha = colourPattern(13, 11, true);
    interlaced.interlaced = interlacedAlpha.interlaced = true;
    const Case cases[] = {
        {"8-bit colour", colourPattern(5, 4, false), false},
        {"alpha to the fourth plane", colourPattern(5, 4, true), true},
        {"16-bit samples reduced to their high byte", colourPattern(3, 2, false, 16), false},
        {"interlaced", interlaced, false},
        {"interlaced with alpha", interlacedAlpha, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RasterImage image;
        auto read = readPng(image, encode(c.picture));
        EXPECT_EQ(read.result, 1);
        EXPECT_TRUE(read.shown.empty());
        EXPECT_EQ(image.palette, nullptr);
        expectColourPattern(image, c.picture.width, c.picture.height, c.alpha);
    }
}

TEST(PngReader, GreyAndPalettePicturesGiveIndicesAndAPalette) {
    Bytes greyRamp;
    for (int i = 0; i < 256; ++i) greyRamp.insert(greyRamp.end(), 3, uint8_t(i));
    PngPicture indexed = picture(16, 1, 4, PNG_COLOR_TYPE_PALETTE, {{0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}});
    Bytes fileEntries(768, 0);  // entries the file does not have are black
    Bytes indices;
    for (uint8_t i = 0; i < 16; ++i) {
        indexed.palette.push_back({uint8_t(i * 16), uint8_t(255 - i), uint8_t(i * 3 + 1)});
        fileEntries[3 * i] = uint8_t(i * 16);
        fileEntries[3 * i + 1] = uint8_t(255 - i);
        fileEntries[3 * i + 2] = uint8_t(i * 3 + 1);
        indices.push_back(i);
    }
    PngPicture transparentIndexed = indexed;  // a transparency chunk changes nothing
    transparentIndexed.paletteAlpha = {0, 128, 255, 7};
    PngPicture grey8 = picture(3, 1, 8, PNG_COLOR_TYPE_GRAY, {{0, 100, 255}});
    grey8.transparentGrey = 100;  // ignored at 8 bits and above
    struct Case {
        const char* name;
        PngPicture picture;
        Bytes indices;
        Bytes palette;
    };
    const Case cases[] = {
        {"1-bit grey: full-range levels",
         picture(10, 1, 1, PNG_COLOR_TYPE_GRAY, {{0b10110000, 0b01000000}}),
         {255, 0, 255, 255, 0, 0, 0, 0, 0, 255},
         greyRamp},
        {"8-bit grey", grey8, {0, 100, 255}, greyRamp},
        {"16-bit grey",
         picture(3, 1, 16, PNG_COLOR_TYPE_GRAY, {{0x00, 0xFF, 0x64, 0x12, 0xFF, 0x00}}),
         {0, 100, 255},
         greyRamp},
        {"4-bit palette", indexed, indices, fileEntries},
        {"4-bit palette with transparency", transparentIndexed, indices, fileEntries},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RasterImage image;
        auto read = readPng(image, encode(c.picture));
        EXPECT_EQ(read.result, 1);
        EXPECT_TRUE(read.shown.empty());
        EXPECT_EQ(image.bitDepth, 8);
        EXPECT_EQ(Bytes(image.planes[0], image.planes[0] + image.pixelCount()), c.indices);
        ASSERT_NE(image.palette, nullptr);
        EXPECT_EQ(Bytes(image.palette, image.palette + 768), c.palette);
    }
}

TEST(PngReader, RefusedAndDamagedFiles) {
    const std::string memory = "Unable to allocate memory for bitmap.";
    PngPicture lowGrey = picture(4, 1, 2, PNG_COLOR_TYPE_GRAY, {{0b00011011}});
    lowGrey.transparentGrey = 1;  // expanded below 8 bits into alpha
    PngPicture huge = picture(1000000, 1000000, 8, PNG_COLOR_TYPE_RGB_ALPHA, {});
    huge.headerOnly = true;
    Bytes noEnd = encode(colourPattern(4, 4, false));
    noEnd.resize(noEnd.size() - 12);  // IEND: length, type, CRC
    Bytes cutData = encode(colourPattern(40, 30, true));
    cutData.resize(findChunk(cutData, "IDAT") + 30);
    Bytes badHeader = encode(colourPattern(3, 3, false));
    badHeader[findChunk(badHeader, "IHDR") + 4 + 13] ^= 0xFF;  // its CRC
    PngPicture commented = colourPattern(3, 3, false);
    commented.text = true;
    Bytes badText = encode(commented);
    ASSERT_NE(findChunk(badText, "tEXt"), 0u);
    badText[findChunk(badText, "tEXt") + 6] ^= 0x20;
    // Grey with alpha whose image data is garbage: refused before any row is
    // decoded, so the library never gets to report the data.
    Bytes greyAlphaBadData = encode(picture(2, 1, 8, PNG_COLOR_TYPE_GRAY_ALPHA, {{10, 255, 20, 128}}));
    greyAlphaBadData[findChunk(greyAlphaBadData, "IDAT") + 4] ^= 0xFF;
    // A text chunk claiming 2 GB in a file that ends 500 bytes later: passed
    // over as it is read, never held in memory.
    Bytes claims2Gb = encode(colourPattern(3, 3, false));
    claims2Gb.resize(findChunk(claims2Gb, "IDAT") - 4);
    const Bytes claim = chunk("tEXt", Bytes(500, 'x'), 0x7FFFFFFF);
    claims2Gb.insert(claims2Gb.end(), claim.begin(), claim.end() - 4);
    // 40 ancillary chunks of as many names, all damaged: one box.
    Bytes manyDamaged;
    for (int i = 0; i < 40; ++i) {
        const char name[5] = {char('a' + i % 26), char('a' + i / 26), 'X', 'q', 0};
        const Bytes one = chunk(name, {1, 2, 3}, 3, true);
        manyDamaged.insert(manyDamaged.end(), one.begin(), one.end());
    }
    manyDamaged = insertBeforeImageData(encode(colourPattern(3, 3, false)), manyDamaged);

    struct Case {
        const char* name;
        Bytes file;
        int result;
        std::string text;  // empty: the library's own words
        std::function<void(const RasterImage&)> more;
        size_t boxes = 1;
    };
    const Case cases[] = {
        {"grey with alpha", encode(picture(2, 1, 8, PNG_COLOR_TYPE_GRAY_ALPHA, {{10, 255, 20, 128}})), 0, memory,
         [](const RasterImage& image) {
             EXPECT_EQ(image.width, 2);
             EXPECT_EQ(image.height, 1);
         }},
        {"grey with alpha and damaged image data", greyAlphaBadData, 0, memory, nullptr},
        {"low-depth grey with transparency", encode(lowGrey), 0, memory, nullptr},
        {"huge, refused before its rows are obtained", encode(huge), 0, memory,
         [](const RasterImage& image) { EXPECT_EQ(image.width, 1000000); }},
        {"no end chunk", noEnd, 0, "", nullptr},
        {"ending inside the image data", cutData, 0, "", nullptr},
        {"bad header checksum", badHeader, 0, "",
         [](const RasterImage& image) { EXPECT_EQ(image.planes[0], nullptr); }},
        {"damaged ancillary chunk: one warning, still decoded", badText, 1, "",
         [](const RasterImage& image) { expectColourPattern(image, 3, 3, false); }},
        {"many damaged chunks: one warning, still decoded", manyDamaged, 1, "aaXq: CRC error",
         [](const RasterImage& image) { expectColourPattern(image, 3, 3, false); }},
        {"a chunk claiming 2 GB: its size is questioned, then the file ends", claims2Gb, 0, "", nullptr, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RasterImage image;
        auto read = readPng(image, c.file);
        EXPECT_EQ(read.result, c.result);
        ASSERT_EQ(read.shown.size(), c.boxes);
        for (const auto& shown : read.shown) {
            EXPECT_EQ(shown.caption, "PNG Reader");
            EXPECT_EQ(shown.style, platform::kMbIconWarning);
            EXPECT_FALSE(shown.text.empty());
        }
        if (!c.text.empty()) {
            EXPECT_EQ(read.shown[0].text, c.text);
        }
        if (c.more) c.more(image);
    }
}

TEST(PngReader, An8KPictureWithAlphaFitsBesideItsRowBuffers) {
    // 7680 x 4320, every pixel (10, 20, 30, 40): the row buffers and the four
    // planes are both held at the end, 253 MiB together.
    const png_uint_32 width = 7680, height = 4320;
    Bytes row(1 + size_t(width) * 4);
    row[0] = 0;  // no filter
    for (size_t x = 0; x < width; ++x) {
        row[1 + 4 * x] = 10;
        row[2 + 4 * x] = 20;
        row[3 + 4 * x] = 30;
        row[4 + 4 * x] = 40;
    }
    z_stream z = {};
    ASSERT_EQ(deflateInit(&z, 9), Z_OK);
    Bytes compressed(1 << 20);
    z.next_out = compressed.data();
    z.avail_out = uInt(compressed.size());
    for (png_uint_32 y = 0; y < height; ++y) {
        z.next_in = row.data();
        z.avail_in = uInt(row.size());
        ASSERT_EQ(deflate(&z, y + 1 == height ? Z_FINISH : Z_NO_FLUSH), y + 1 == height ? Z_STREAM_END : Z_OK);
        ASSERT_EQ(z.avail_in, 0u);
    }
    compressed.resize(z.total_out);
    deflateEnd(&z);
    Bytes file = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    const Bytes header = {0, 0, 0x1E, 0x00, 0, 0, 0x10, 0xE0, 8, PNG_COLOR_TYPE_RGB_ALPHA, 0, 0, 0};
    for (const Bytes& part :
         {chunk("IHDR", header, 13), chunk("IDAT", compressed, uint32_t(compressed.size())), chunk("IEND", {}, 0)}) {
        file.insert(file.end(), part.begin(), part.end());
    }
    RasterImage image;
    auto read = readPng(image, file);
    EXPECT_EQ(read.result, 1);
    ASSERT_TRUE(read.shown.empty()) << read.shown[0].text;
    ASSERT_EQ(image.width, 7680);
    ASSERT_EQ(image.height, 4320);
    ASSERT_EQ(image.bitDepth, 32);
    for (size_t i : {size_t(0), size_t(width) * height / 2 + 17, size_t(width) * height - 1}) {
        EXPECT_EQ(test::rgbAt(image, i), (std::vector<int>{10, 20, 30}));
        EXPECT_EQ(image.planes[3][i], 40);
    }
}
