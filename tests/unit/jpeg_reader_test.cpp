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
#include "image/DecodeHint.h"
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

// What the library itself makes of the file at eighths/8 of its size, as
// interleaved RGB rows.
Bytes decodeWithLibrary(const Bytes& bytes, unsigned eighths = 8) {
    test::TempFile file(".jpg", bytes);
    test::OpenFile in(file.path());
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_stdio_src(&info, in.get());
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    info.scale_num = eighths;
    info.scale_denom = 8;
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

// Through format detection, as the wallpaper preparation reads a picture it
// is about to scale for these screens.
test::Decoded loadFor(RasterImage& image, const Bytes& bytes, const std::vector<ScaleTarget>& screens) {
    test::Decoded decoded;
    test::RecordingSink sink;
    test::TempFile file(".jpg", bytes);
    test::OpenFile in(file.path());
    const DecodeHint hint = {screens.data(), screens.size()};
    decoded.result = image.load(in.get(), file.c_str(), &hint);
    decoded.shown = sink.shown;
    return decoded;
}

ScaleTarget screen(int32_t width, int32_t height, ScaleMode mode) {
    return {width, height, mode, 0, 0, 0};
}

Bytes interleave(const RasterImage& image) {
    Bytes interleaved;
    for (size_t i = 0; i < image.pixelCount(); ++i) {
        for (int sample : test::rgbAt(image, i)) interleaved.push_back(uint8_t(sample));
    }
    return interleaved;
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
        EXPECT_EQ(interleave(image), decodeWithLibrary(bytes));
    }
}

// A picture about to be scaled is decoded at the smallest of 1/8, 2/8, 3/8
// and 4/8 of its size that still gives every screen what it shows (Fill and
// Stretch: both sides of the screen; Fit: one), at the size the library
// rounds that eighth up to; at full size when none does. A picture above the
// planes' ceiling at full size, up to twice it, passes at 1/8, 2/8 or 4/8.
TEST(JpegReader, AHintDecodesTheSmallestEighthThatCoversEveryScreen) {
    constexpr ScaleMode Fit = ScaleMode::Fit, Fill = ScaleMode::Fill, Stretch = ScaleMode::Stretch;
    struct Case {
        std::vector<ScaleTarget> screens;
        unsigned eighths;       // 0: refused
        int32_t width, height;  // decoded
    };
    struct Source {
        const char* what;
        int width, height;
        bool progressive;
        int64_t planeByteLimit;
        std::vector<Case> cases;
    };
    // n/8 of 160 x 120 is 20n x 15n exactly; its planes take 57 600 bytes.
    const Source sources[] = {
        {"160 x 120",
         160,
         120,
         false,
         RasterImage::kDefaultPlaneByteLimit,
         {
             {{screen(20, 15, Fill)}, 1, 20, 15},
             {{screen(19, 14, Fill)}, 1, 20, 15},
             {{screen(21, 15, Fill)}, 2, 40, 30},
             {{screen(20, 16, Fill)}, 2, 40, 30},
             {{screen(60, 45, Fill)}, 3, 60, 45},
             {{screen(61, 1, Fill)}, 4, 80, 60},
             {{screen(81, 60, Fill)}, 8, 160, 120},    // 5/8 to 7/8 cost more than full size
             {{screen(161, 120, Fill)}, 8, 160, 120},  // the scaler enlarges, as from a full decode
             {{screen(20, 200, Fit)}, 1, 20, 15},
             {{screen(200, 15, Fit)}, 1, 20, 15},
             {{screen(21, 16, Fit)}, 2, 40, 30},
             {{screen(81, 61, Fit)}, 8, 160, 120},
             {{screen(20, 61, Stretch)}, 8, 160, 120},
             {{screen(80, 2, Stretch)}, 4, 80, 60},
             // The most demanding screen decides.
             {{screen(20, 15, Fill), screen(60, 4, Stretch)}, 3, 60, 45},
             {{screen(200, 15, Fit), screen(41, 2, Fill)}, 3, 60, 45},
             {{}, 8, 160, 120},
         }},
        // n/8 of 163 x 121 rounds up: 21 x 16, 41 x 31, 62 x 46, 82 x 61.
        {"163 x 121, progressive",
         163,
         121,
         true,
         RasterImage::kDefaultPlaneByteLimit,
         {
             {{screen(21, 16, Fill)}, 1, 21, 16},
             {{screen(22, 16, Fill)}, 2, 41, 31},
             {{screen(62, 46, Fill)}, 3, 62, 46},
             {{screen(62, 47, Fill)}, 4, 82, 61},
             {{screen(82, 9999, Fit)}, 4, 82, 61},
             {{screen(83, 9999, Fit)}, 8, 163, 121},
             {{screen(41, 1, Stretch)}, 2, 41, 31},
         }},
        {"160 x 120 above the ceiling",
         160,
         120,
         false,
         40000,
         {
             {{screen(20, 15, Fill)}, 1, 20, 15},
             {{screen(60, 45, Fill)}, 4, 80, 60},  // 3/8 only within the ceiling
             {{screen(81, 1, Fill)}, 0, 0, 0},
         }},
        {"160 x 120 above twice the ceiling",
         160,
         120,
         false,
         28799,
         {
             {{screen(20, 15, Fill)}, 0, 0, 0},
         }},
    };
    for (const Source& source : sources) {
        SCOPED_TRACE(source.what);
        JpegPicture picture = gradient(source.width, source.height);
        picture.quality = 75;
        picture.subsample = true;
        picture.progressive = source.progressive;
        const Bytes bytes = encode(picture);
        for (const Case& c : source.cases) {
            std::string screens;
            for (const ScaleTarget& t : c.screens) {
                screens += std::to_string(t.width) + "x" + std::to_string(t.height) + " mode " +
                           std::to_string(int(t.mode)) + "; ";
            }
            SCOPED_TRACE(screens);
            RasterImage::setPlaneByteLimit(source.planeByteLimit);
            RasterImage image;
            const test::Decoded read = loadFor(image, bytes, c.screens);
            RasterImage::setPlaneByteLimit(RasterImage::kDefaultPlaneByteLimit);
            if (c.eighths == 0) {
                EXPECT_EQ(read.result, 0);
                ASSERT_EQ(read.shown.size(), 1u);
                EXPECT_EQ(read.shown[0].text, "Unable to allocate memory for bitmap.");
                EXPECT_EQ(image.planes[0], nullptr);
                continue;
            }
            ASSERT_EQ(read.result, 1);
            EXPECT_TRUE(read.shown.empty());
            EXPECT_EQ(image.width, c.width);
            EXPECT_EQ(image.height, c.height);
            EXPECT_EQ(interleave(image), decodeWithLibrary(bytes, c.eighths));
        }
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

    // A reduced decode does not let a lying header through either: the
    // library would still walk every block of 65500 x 65500.
    RasterImage image;
    read = loadFor(image, huge, {screen(64, 48, ScaleMode::Fill)});
    EXPECT_EQ(read.result, 0);
    ASSERT_EQ(read.shown.size(), 1u);
    EXPECT_EQ(read.shown[0].text, "Unable to allocate memory for bitmap.");
    EXPECT_EQ(image.planes[0], nullptr);
}
