// The JPEG reader against pictures made by the library's own compressor.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <jpeglib.h>
// jerror.h needs jpeglib.h first.
#include <jerror.h>

#include "TestSupport.h"
#include "image/RasterImage.h"

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

// The library's default error handling ends the test program, which is what
// a broken test input deserves.
Bytes encode(const JpegPicture& picture) {
    test::TempFile file(".jpg");
    FILE* out = std::fopen(file.c_str(), "wb");
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
    info.write_Adobe_marker = picture.adobeMarker && picture.colourSpace == JCS_CMYK;
    for (int c = 0; c < info.num_components; ++c) {
        info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = picture.subsample && c == 0 ? 2 : 1;
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

JpegPicture picture(int width, int height, int components, J_COLOR_SPACE space, Bytes samples,
                    bool adobeMarker = true) {
    JpegPicture p;
    p.adobeMarker = adobeMarker;
    p.width = width;
    p.height = height;
    p.components = components;
    p.colourSpace = space;
    p.samples = std::move(samples);
    return p;
}

JpegPicture gradient(int width, int height) {
    Bytes samples;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            samples.insert(samples.end(), {uint8_t(x * 255 / (width - 1)), uint8_t(y * 255 / (height - 1)),
                                           uint8_t((x * 7 + y * 13) & 0xFF)});
        }
    }
    return picture(width, height, 3, JCS_RGB, samples);
}

// What the library itself makes of the file, as interleaved RGB rows.
Bytes decodeWithLibrary(const Bytes& bytes) {
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

// Where the marker segments of a file begin, in order; the entropy-coded data
// after a scan header is stepped over.
std::vector<std::pair<uint8_t, size_t>> markers(const Bytes& file) {
    std::vector<std::pair<uint8_t, size_t>> found;
    size_t at = 2;
    while (at + 1 < file.size() && file[at] == 0xFF) {
        const uint8_t marker = file[at + 1];
        found.push_back({marker, at});
        if (marker == 0xD9 || at + 3 >= file.size()) break;
        at += 2 + (size_t(file[at + 2]) << 8 | file[at + 3]);
        if (marker != 0xDA) continue;
        while (at + 1 < file.size() && !(file[at] == 0xFF && file[at + 1] != 0 && (file[at + 1] & 0xF8) != 0xD0)) ++at;
    }
    return found;
}

// The first (or last) segment with this marker, or 0.
size_t findMarker(const Bytes& file, uint8_t marker, bool last = false) {
    size_t where = 0;
    for (const auto& m : markers(file)) {
        if (m.first != marker) continue;
        where = m.second;
        if (!last) break;
    }
    return where;
}

test::Decoded readJpeg(RasterImage& image, const Bytes& bytes) {
    return test::decode(image, bytes, &RasterImage::readJpeg, ".jpg");
}

}  // namespace

TEST(JpegReader, ColourSpacesComeOutAsRedGreenBlue) {
    struct Case {
        const char* name;
        JpegPicture picture;
        int tolerance;
        std::vector<std::vector<int>> rgb;  // expected, pixel by pixel
    };
    const Case cases[] = {
        {"colour: red to plane 2, blue to plane 0",
         picture(3, 2, 3, JCS_RGB, {250, 10, 10, 10, 250, 10, 10, 10, 250, 200, 120, 40, 40, 120, 200, 128, 128, 128}),
         6,
         {{250, 10, 10}, {10, 250, 10}, {10, 10, 250}, {200, 120, 40}, {40, 120, 200}, {128, 128, 128}}},
        {"greyscale",
         picture(4, 1, 1, JCS_GRAYSCALE, {0, 80, 160, 240}),
         3,
         {{0, 0, 0}, {80, 80, 80}, {160, 160, 160}, {240, 240, 240}}},
        // Adobe's files store 255 for no ink.
        {"CMYK with the Adobe marker",
         picture(3, 1, 4, JCS_CMYK, {255, 0, 0, 255, 255, 255, 255, 127, 0, 255, 255, 255}),
         4,
         {{255, 0, 0}, {127, 127, 127}, {0, 255, 255}}},
        {"CMYK without it",
         picture(3, 1, 4, JCS_CMYK, {0, 255, 255, 0, 0, 0, 0, 128, 255, 0, 0, 0}, false),
         4,
         {{255, 0, 0}, {127, 127, 127}, {0, 255, 255}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const JpegPicture& source = c.picture;
        RasterImage image;
        auto read = readJpeg(image, encode(source));
        EXPECT_EQ(read.result, 1);
        EXPECT_TRUE(read.shown.empty());
        EXPECT_EQ(image.width, source.width);
        EXPECT_EQ(image.height, source.height);
        EXPECT_EQ(image.bitDepth, 24);
        for (size_t i = 0; i < c.rgb.size(); ++i) {
            const std::vector<int> got = test::rgbAt(image, i);
            for (size_t k = 0; k < 3; ++k) EXPECT_NEAR(got[k], c.rgb[i][k], c.tolerance) << "pixel " << i;
            if (source.components == 1) {
                EXPECT_TRUE(got[0] == got[1] && got[1] == got[2]) << i;
            }
        }
    }
}

TEST(JpegReader, EveryRowMatchesTheLibrarysDecodingFromTopToBottom) {
    for (bool progressive : {false, true}) {
        SCOPED_TRACE(progressive ? "progressive" : "baseline");
        JpegPicture source = gradient(37, 29);
        source.quality = 75;
        source.subsample = true;
        source.progressive = progressive;
        const Bytes bytes = encode(source);
        RasterImage image;
        ASSERT_EQ(readJpeg(image, bytes).result, 1);
        Bytes interleaved;
        for (size_t i = 0; i < image.pixelCount(); ++i) {
            for (int sample : test::rgbAt(image, i)) interleaved.push_back(uint8_t(sample));
        }
        EXPECT_EQ(interleaved, decodeWithLibrary(bytes));
    }
}

TEST(JpegReader, DamagedFiles) {
    // Ending inside the image data: the library fills in, nothing is shown.
    JpegPicture noisy = gradient(64, 64);
    for (size_t i = 0; i < noisy.samples.size(); ++i) {
        noisy.samples[i] = uint8_t(noisy.samples[i] ^ ((i * 2654435761u) >> 13));
    }
    Bytes cut = encode(noisy);
    cut.resize(cut.size() * 6 / 10);
    RasterImage truncated;
    auto read = readJpeg(truncated, cut);
    EXPECT_EQ(read.result, 1);
    EXPECT_TRUE(read.shown.empty());
    EXPECT_EQ(truncated.height, 64);

    Bytes unknownMarker = encode(gradient(8, 8));
    unknownMarker.insert(unknownMarker.begin() + 2, {0xFF, 0x02, 0x00, 0x04, 0x00, 0x00});
    // The frame header given the largest size the library accepts.
    Bytes huge = encode(gradient(8, 8));
    size_t at = 2;
    while (at + 9 < huge.size() && !(huge[at] == 0xFF && huge[at + 1] == 0xC0)) ++at;
    ASSERT_LT(at + 9, huge.size());
    huge[at + 5] = huge[at + 7] = 0xFF;
    huge[at + 6] = huge[at + 8] = 0xDC;

    // A progressive file whose last scan is repeated until there are 101:
    // every scan walks the whole picture, so the count is limited.
    JpegPicture progressive = gradient(16, 16);
    progressive.progressive = true;
    const Bytes once = encode(progressive);
    const size_t lastScan = findMarker(once, 0xDA, true), end = findMarker(once, 0xD9);
    ASSERT_GT(end, lastScan);
    Bytes manyScans(once.begin(), once.begin() + long(end));
    size_t scanCount = 0;
    for (const auto& m : markers(once)) scanCount += m.first == 0xDA;
    for (size_t i = scanCount; i < 101; ++i)
        manyScans.insert(manyScans.end(), once.begin() + long(lastScan), once.begin() + long(end));
    manyScans.insert(manyScans.end(), {0xFF, 0xD9});
    // A progressive CMYK picture without subsampling whose header says
    // 9300 x 9300: its planes fit under the ceiling of every build, but the
    // coefficients the library must hold for it (8 bytes a pixel) do not fit
    // its memory budget in any.
    Bytes cmykSamples(8 * 8 * 4);
    for (size_t i = 0; i < cmykSamples.size(); ++i) cmykSamples[i] = uint8_t(i * 5);
    JpegPicture cmyk = picture(8, 8, 4, JCS_CMYK, cmykSamples);
    cmyk.progressive = true;
    Bytes tooManyCoefficients = encode(cmyk);
    const size_t frame = findMarker(tooManyCoefficients, 0xC2);
    ASSERT_NE(frame, 0u);
    for (size_t field : {frame + 5, frame + 7}) {
        tooManyCoefficients[field] = 9300 >> 8;
        tooManyCoefficients[field + 1] = 9300 & 0xFF;
    }

    const std::pair<Bytes, std::string> refused[] = {
        {unknownMarker, libraryMessage(JERR_UNKNOWN_MARKER, 0x02)},
        {{0xFF, 0xD8, 0xFF, 0xD9}, libraryMessage(JERR_NO_IMAGE, 0)},
        {huge, "Unable to allocate memory for bitmap."},
        {manyScans, "Progressive JPEG image has more than 100 scans."},
        {tooManyCoefficients, libraryMessage(JERR_NO_BACKING_STORE, 0)},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.second);
        RasterImage image;
        read = readJpeg(image, c.first);
        EXPECT_EQ(read.result, 0);
        ASSERT_EQ(read.shown.size(), 1u);
        EXPECT_EQ(read.shown[0].text, c.second);
        EXPECT_EQ(read.shown[0].caption, "JPEG Reader");
        EXPECT_EQ(read.shown[0].style, platform::kMbIconWarning);
        if (c.first.size() == 4) {
            EXPECT_EQ(image.planes[0], nullptr);
        }
        if (&c == &refused[2]) {
            EXPECT_EQ(image.width, 65500);
        }
    }
}
