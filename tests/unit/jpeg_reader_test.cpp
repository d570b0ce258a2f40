#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <jpeglib.h>
// jerror.h needs jpeglib.h first.
#include <jerror.h>

#include "TestSupport.h"
#include "image/RasterImage.h"
#include "platform/Messages.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct JpegPicture {
    int width = 0;
    int height = 0;
    int components = 3;
    J_COLOR_SPACE colourSpace = JCS_RGB;
    Bytes samples;  // interleaved, row after row
    int quality = 100;
    bool subsample = false;  // 2x2 chroma subsampling instead of none
    bool progressive = false;
    bool adobeMarker = true;  // for CMYK
};

// Encodes with the library's own compressor; its default error handling
// ends the test program, which is what a broken test input deserves.
std::vector<unsigned char> encode(const JpegPicture& picture) {
    test::TempFile file(".jpg");
    FILE* out = std::fopen(file.c_str(), "wb");
    EXPECT_NE(out, nullptr);
    if (!out) return {};
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, out);
    info.image_width = JDIMENSION(picture.width);
    info.image_height = JDIMENSION(picture.height);
    info.input_components = picture.components;
    info.in_color_space = picture.colourSpace;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, picture.quality, TRUE);
    if (picture.colourSpace == JCS_CMYK) {
        info.write_Adobe_marker = picture.adobeMarker ? TRUE : FALSE;
    }
    for (int c = 0; c < info.num_components; ++c) {
        const int factor = picture.subsample && c == 0 ? 2 : 1;
        info.comp_info[c].h_samp_factor = factor;
        info.comp_info[c].v_samp_factor = factor;
    }
    if (picture.progressive) jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    const size_t stride = size_t(picture.width) * size_t(picture.components);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(picture.samples.data() + info.next_scanline * stride);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::fclose(out);
    return file.read();
}

JpegPicture gradient(int width, int height) {
    JpegPicture picture;
    picture.width = width;
    picture.height = height;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            picture.samples.push_back(uint8_t(x * 255 / (width - 1)));
            picture.samples.push_back(uint8_t(y * 255 / (height - 1)));
            picture.samples.push_back(uint8_t((x * 7 + y * 13) & 0xFF));
        }
    }
    return picture;
}

// What the library itself makes of the file, as interleaved RGB rows.
Bytes decodeWithLibrary(const std::vector<unsigned char>& bytes) {
    test::TempFile file(".jpg", bytes);
    test::OpenFile in(file.path());
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_stdio_src(&info, in.get());
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    Bytes rgb(size_t(info.output_width) * info.output_height * 3);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = rgb.data() + size_t(info.output_scanline) * info.output_width * 3;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return rgb;
}

// The library's text for an error code with one integer parameter.
std::string libraryMessage(int code, int parameter) {
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    errors.msg_code = code;
    errors.msg_parm.i[0] = parameter;
    char text[JMSG_LENGTH_MAX];
    errors.format_message(reinterpret_cast<j_common_ptr>(&info), text);
    return text;
}

struct Read {
    int result = -1;
    std::vector<test::ShownMessage> shown;
};

Read readJpeg(RasterImage& image, const std::vector<unsigned char>& bytes) {
    Read read;
    test::RecordingSink sink;
    test::TempFile file(".jpg", bytes);
    test::OpenFile in(file.path());
    read.result = image.readJpeg(in.get());
    read.shown = sink.shown;
    return read;
}

// Red, green and blue of pixel (x, y).
std::vector<int> rgbAt(const RasterImage& image, int x, int y) {
    const size_t i = size_t(y) * size_t(image.width) + size_t(x);
    return {image.planes[2][i], image.planes[1][i], image.planes[0][i]};
}

void expectNear(const std::vector<int>& actual, const std::vector<int>& expected, int tolerance) {
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < actual.size(); ++i) {
        EXPECT_NEAR(actual[i], expected[i], tolerance) << "sample " << i;
    }
}

void expectOneWarning(const Read& read, const std::string& text) {
    EXPECT_EQ(read.result, 0);
    ASSERT_EQ(read.shown.size(), 1u);
    EXPECT_EQ(read.shown[0].text, text);
    EXPECT_EQ(read.shown[0].caption, "JPEG Reader");
    EXPECT_EQ(read.shown[0].style, platform::kMbIconWarning);
}

}  // namespace

TEST(JpegColour, ThreeByTwoPutsRedInPlaneTwoAndBlueInPlaneZero) {
    JpegPicture picture;
    picture.width = 3;
    picture.height = 2;
    picture.samples = {250, 10, 10,  10, 250, 10,  10, 10, 250,
                       200, 120, 40, 40, 120, 200, 128, 128, 128};
    RasterImage image;
    Read read = readJpeg(image, encode(picture));
    EXPECT_EQ(read.result, 1);
    EXPECT_TRUE(read.shown.empty());
    EXPECT_EQ(image.width, 3);
    EXPECT_EQ(image.height, 2);
    EXPECT_EQ(image.bitDepth, 24);
    expectNear(rgbAt(image, 0, 0), {250, 10, 10}, 6);
    expectNear(rgbAt(image, 1, 0), {10, 250, 10}, 6);
    expectNear(rgbAt(image, 2, 0), {10, 10, 250}, 6);
    expectNear(rgbAt(image, 0, 1), {200, 120, 40}, 6);
    expectNear(rgbAt(image, 1, 1), {40, 120, 200}, 6);
}

TEST(JpegColour, EveryRowMatchesTheLibrarysDecodingFromTopToBottom) {
    for (bool progressive : {false, true}) {
        SCOPED_TRACE(progressive ? "progressive" : "baseline");
        JpegPicture picture = gradient(37, 29);
        picture.quality = 75;
        picture.subsample = true;
        picture.progressive = progressive;
        const std::vector<unsigned char> bytes = encode(picture);
        const Bytes expected = decodeWithLibrary(bytes);

        RasterImage image;
        ASSERT_EQ(readJpeg(image, bytes).result, 1);
        Bytes interleaved;
        for (int y = 0; y < image.height; ++y) {
            for (int x = 0; x < image.width; ++x) {
                for (int sample : rgbAt(image, x, y)) interleaved.push_back(uint8_t(sample));
            }
        }
        EXPECT_EQ(interleaved, expected);
        // The picture is not upside down: red grows to the right, green down.
        EXPECT_LT(rgbAt(image, 0, 0)[1], rgbAt(image, 0, 28)[1]);
        EXPECT_LT(rgbAt(image, 0, 0)[0], rgbAt(image, 36, 0)[0]);
    }
}

TEST(JpegColour, GreyscaleComesOutAsEqualColourPlanes) {
    JpegPicture picture;
    picture.width = 4;
    picture.height = 1;
    picture.components = 1;
    picture.colourSpace = JCS_GRAYSCALE;
    picture.samples = {0, 80, 160, 240};
    RasterImage image;
    EXPECT_EQ(readJpeg(image, encode(picture)).result, 1);
    EXPECT_EQ(image.bitDepth, 24);
    for (int x = 0; x < 4; ++x) {
        const std::vector<int> pixel = rgbAt(image, x, 0);
        EXPECT_EQ(pixel[0], pixel[1]);
        EXPECT_EQ(pixel[1], pixel[2]);
        EXPECT_NEAR(pixel[0], picture.samples[size_t(x)], 3);
    }
}

TEST(JpegColour, CmykIsConvertedWithAndWithoutAdobeInversion) {
    // Adobe's files store 255 for no ink.
    JpegPicture adobe;
    adobe.width = 3;
    adobe.height = 1;
    adobe.components = 4;
    adobe.colourSpace = JCS_CMYK;
    adobe.samples = {255, 0, 0, 255,  255, 255, 255, 127,  0, 255, 255, 255};
    RasterImage inverted;
    EXPECT_EQ(readJpeg(inverted, encode(adobe)).result, 1);
    EXPECT_EQ(inverted.bitDepth, 24);
    expectNear(rgbAt(inverted, 0, 0), {255, 0, 0}, 4);
    expectNear(rgbAt(inverted, 1, 0), {127, 127, 127}, 4);
    expectNear(rgbAt(inverted, 2, 0), {0, 255, 255}, 4);

    JpegPicture plain = adobe;
    plain.adobeMarker = false;
    plain.samples = {0, 255, 255, 0,  0, 0, 0, 128,  255, 0, 0, 0};
    RasterImage direct;
    EXPECT_EQ(readJpeg(direct, encode(plain)).result, 1);
    expectNear(rgbAt(direct, 0, 0), {255, 0, 0}, 4);
    expectNear(rgbAt(direct, 1, 0), {127, 127, 127}, 4);
    expectNear(rgbAt(direct, 2, 0), {0, 255, 255}, 4);
}

TEST(JpegDamaged, FileEndingInsideTheImageDataDecodesWithoutAMessage) {
    JpegPicture picture = gradient(64, 64);
    for (size_t i = 0; i < picture.samples.size(); ++i) {
        picture.samples[i] = uint8_t(picture.samples[i] ^ ((i * 2654435761u) >> 13));
    }
    std::vector<unsigned char> bytes = encode(picture);
    bytes.resize(bytes.size() * 6 / 10);
    RasterImage image;
    Read read = readJpeg(image, bytes);
    EXPECT_EQ(read.result, 1);
    EXPECT_TRUE(read.shown.empty());
    EXPECT_EQ(image.height, 64);
}

TEST(JpegDamaged, UnknownMarkerShowsTheLibrarysMessage) {
    std::vector<unsigned char> bytes = encode(gradient(8, 8));
    const std::vector<unsigned char> bogus = {0xFF, 0x02, 0x00, 0x04, 0x00, 0x00};
    bytes.insert(bytes.begin() + 2, bogus.begin(), bogus.end());
    RasterImage image;
    expectOneWarning(readJpeg(image, bytes), libraryMessage(JERR_UNKNOWN_MARKER, 0x02));
}

TEST(JpegDamaged, TablesWithoutAnImageAreRefused) {
    RasterImage image;
    expectOneWarning(readJpeg(image, {0xFF, 0xD8, 0xFF, 0xD9}), libraryMessage(JERR_NO_IMAGE, 0));
    EXPECT_EQ(image.planes[0], nullptr);
}

TEST(JpegDamaged, PictureTooLargeForThePlanesIsAnAllocationFailure) {
    std::vector<unsigned char> bytes = encode(gradient(8, 8));
    // Give the frame header the largest size the library accepts.
    size_t at = 2;
    while (at + 9 < bytes.size() && !(bytes[at] == 0xFF && bytes[at + 1] == 0xC0)) ++at;
    ASSERT_LT(at + 9, bytes.size());
    for (size_t i : {at + 5, at + 7}) bytes[i] = 0xFF;
    for (size_t i : {at + 6, at + 8}) bytes[i] = 0xDC;
    RasterImage image;
    expectOneWarning(readJpeg(image, bytes), "Unable to allocate memory for bitmap.");
    EXPECT_EQ(image.width, 65500);
    EXPECT_EQ(image.height, 65500);
}
