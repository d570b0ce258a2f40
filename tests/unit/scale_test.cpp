#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <set>

#include "TestSupport.h"
#include "image/Scale.h"

namespace {

using Colour = std::array<int, 3>;  // red, green, blue
using Painter = std::function<Colour(int32_t x, int32_t y)>;

constexpr Colour kBackground = {10, 20, 30};
constexpr ScaleMode kModes[] = {ScaleMode::Fit, ScaleMode::Fill, ScaleMode::Stretch};

const char* nameOf(ScaleMode mode) {
    return mode == ScaleMode::Fit ? "fit" : mode == ScaleMode::Fill ? "fill" : "stretch";
}

// A colour picture of the given depth (24, or 32 with a fourth plane that
// must not show), or an indexed one with one palette entry per pixel's
// colour as far as 256 colours go.
void paint(RasterImage& image, int32_t width, int32_t height, int depth, const Painter& at) {
    test::describe(image, width, height, depth);
    ASSERT_EQ(image.allocate(), 1);
    int entries = 0;
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            const Colour c = at(x, y);
            const size_t i = size_t(y) * size_t(width) + size_t(x);
            if (depth > 8) {
                for (int p = 0; p < 3; ++p) image.planes[p][i] = uint8_t(c[2 - p]);
                if (depth == 32) image.planes[3][i] = uint8_t(x * 7 + y);
                continue;
            }
            int index = 0;
            while (index < entries && !(image.palette[3 * index] == c[0] && image.palette[3 * index + 1] == c[1] &&
                                        image.palette[3 * index + 2] == c[2])) {
                ++index;
            }
            ASSERT_LT(index, 256);
            if (index == entries) {
                for (int k = 0; k < 3; ++k) image.palette[3 * index + k] = uint8_t(c[k]);
                ++entries;
            }
            image.planes[0][i] = uint8_t(index);
        }
    }
}

struct Result {
    int result = -1;
    std::vector<test::ShownMessage> shown;
};

Result scale(const RasterImage& source, int32_t width, int32_t height, ScaleMode mode, RasterImage& scaled) {
    test::RecordingSink sink;
    const ScaleTarget target = {
        width, height, mode, uint8_t(kBackground[0]), uint8_t(kBackground[1]), uint8_t(kBackground[2])};
    Result r;
    r.result = scaleImage(source, target, scaled);
    r.shown = sink.shown;
    return r;
}

Colour at(const RasterImage& image, int32_t x, int32_t y) {
    const std::vector<int> rgb = test::rgbAt(image, size_t(y) * size_t(image.width) + size_t(x));
    return {rgb[0], rgb[1], rgb[2]};
}

std::string text(const Colour& c) {
    return std::to_string(c[0]) + "," + std::to_string(c[1]) + "," + std::to_string(c[2]);
}

// Scales and checks the record's form; the pixels are the caller's.
void scaleOk(const RasterImage& source, int32_t width, int32_t height, ScaleMode mode, RasterImage& scaled) {
    const Result r = scale(source, width, height, mode, scaled);
    ASSERT_EQ(r.result, 1);
    EXPECT_TRUE(r.shown.empty());
    ASSERT_EQ(scaled.width, width);
    ASSERT_EQ(scaled.height, height);
    ASSERT_EQ(scaled.bitDepth, 24);
}

}  // namespace

// Fit's place on the screen, worked out by hand: one side fills the screen,
// the other is rounded to whole pixels, the picture is centred (any odd
// pixel goes to the right or bottom bar). A picture of one colour must come
// out in exactly that colour inside the area, whatever the ratio, and the
// bars exactly in the background colour; fill and stretch cover everything.
TEST(ScaleImage, OneColourKeepsItsColourAndFitLeavesBarsOfTheBackground) {
    struct Case {
        int32_t pictureW, pictureH, screenW, screenH;
        int32_t left, top, width, height;  // fit's area
    };
    const Case cases[] = {
        {4, 2, 8, 8, 0, 2, 8, 4},   // wider: full width, bars above and below
        {2, 4, 8, 8, 2, 0, 4, 8},   // taller: full height, bars left and right
        {1, 1, 5, 3, 1, 0, 3, 3},   // one pixel
        {3, 2, 7, 7, 0, 1, 7, 5},   // 4.67 rows round up
        {5, 3, 4, 4, 0, 1, 4, 2},   // 2.4 rows round down, shrinking across
        {7, 10, 9, 4, 3, 0, 3, 4},  // 2.8 columns
        {2, 1, 8, 4, 0, 0, 8, 4},   // the screen's shape: no bars
        {600, 400, 384, 216, 30, 0, 324, 216},
        {10000, 1, 64, 48, 0, 23, 64, 1},  // less than half a row still shows one
        {1, 10000, 64, 48, 31, 0, 1, 48},
        {257, 3, 1, 1, 0, 0, 1, 1},  // everything into one pixel
    };
    const Colour colour = {255, 1, 128};
    for (const Case& c : cases) {
        for (int depth : {8, 24, 32}) {
            RasterImage source;
            paint(source, c.pictureW, c.pictureH, depth, [&](int32_t, int32_t) { return colour; });
            for (ScaleMode mode : kModes) {
                SCOPED_TRACE(std::to_string(c.pictureW) + "x" + std::to_string(c.pictureH) + " to " +
                             std::to_string(c.screenW) + "x" + std::to_string(c.screenH) + " " + nameOf(mode) +
                             " depth " + std::to_string(depth));
                RasterImage scaled;
                scaleOk(source, c.screenW, c.screenH, mode, scaled);
                int wrong = 0;
                for (int32_t y = 0; y < c.screenH; ++y) {
                    for (int32_t x = 0; x < c.screenW; ++x) {
                        const bool inside = mode != ScaleMode::Fit ||
                                            (x >= c.left && x < c.left + c.width && y >= c.top && y < c.top + c.height);
                        const Colour want = inside ? colour : kBackground;
                        if (at(scaled, x, y) != want && wrong++ < 3) {
                            ADD_FAILURE()
                                << "(" << x << "," << y << ") is " << text(at(scaled, x, y)) << ", want " << text(want);
                        }
                    }
                }
                EXPECT_EQ(wrong, 0);
            }
        }
    }
}

// Fill cuts whole screen pixels evenly from both ends of the long side; at
// a factor of 1 it is a plain crop.
TEST(ScaleImage, FillCropsTheCentre) {
    struct Case {
        int32_t pictureW, pictureH, screenW, screenH;
        std::vector<int> along;  // the screen's first row (or column) of grey levels
    };
    const Case cases[] = {
        {8, 2, 4, 2, {20, 30, 40, 50}},    // columns 2 to 5 of 0 to 7
        {9, 2, 4, 2, {20, 30, 40, 50}},    // 5 over: 2 cut at the left, 3 at the right
        {2, 8, 2, 4, {20, 30, 40, 50}},    // rows 2 to 5
        {16, 2, 4, 1, {45, 65, 85, 105}},  // halved: 8 wide, columns 4 to 11 in pairs
        {2, 16, 1, 4, {45, 65, 85, 105}},
    };
    for (const Case& c : cases) {
        for (int depth : {8, 24}) {
            SCOPED_TRACE(std::to_string(c.pictureW) + "x" + std::to_string(c.pictureH) + " depth " +
                         std::to_string(depth));
            const bool wide = c.pictureW * c.screenH > c.pictureH * c.screenW;
            RasterImage source, scaled;
            paint(source, c.pictureW, c.pictureH, depth, [&](int32_t x, int32_t y) {
                const int grey = 10 * (wide ? x : y);
                return Colour{grey, grey, grey};
            });
            scaleOk(source, c.screenW, c.screenH, ScaleMode::Fill, scaled);
            for (size_t i = 0; i < c.along.size(); ++i) {
                const int32_t x = wide ? int32_t(i) : 0, y = wide ? 0 : int32_t(i);
                EXPECT_EQ(at(scaled, x, y)[1], c.along[i]) << i;
            }
        }
    }
}

// Shrinking averages each source pixel by the part of it a screen pixel
// covers, through the palette for an indexed picture.
TEST(ScaleImage, ShrinkingAveragesTheCoveredArea) {
    struct Case {
        int32_t pictureW, pictureH, screenW, screenH;
        Painter pixels;
        std::vector<Colour> want;  // the screen row by row
    };
    const Colour a = {0, 0, 0}, b = {200, 100, 50};
    const Case cases[] = {
        {2, 2, 1, 1, [&](int32_t x, int32_t y) { return (x + y) % 2 ? b : a; }, {{100, 50, 25}}},
        // Three columns into two: each screen pixel covers one and a half.
        {3,
         1,
         2,
         1,
         [](int32_t x, int32_t) {
             return Colour{90 * x, 90 * x, 90 * x};
         },
         {{30, 30, 30}, {150, 150, 150}}},
        {1,
         3,
         1,
         2,
         [](int32_t, int32_t y) {
             return Colour{90 * y, 0, 255};
         },
         {{30, 0, 255}, {150, 0, 255}}},
        // 6 x 6 into 2 x 2: blocks of nine.
        {6,
         6,
         2,
         2,
         [](int32_t x, int32_t y) {
             return Colour{x < 3 ? 9 * (x + y) : 0, y < 3 ? 0 : 90, 0};
         },
         {{18, 0, 0}, {0, 0, 0}, {45, 90, 0}, {0, 90, 0}}},
    };
    for (const Case& c : cases) {
        for (int depth : {8, 24}) {
            SCOPED_TRACE(std::to_string(c.pictureW) + "x" + std::to_string(c.pictureH) + " depth " +
                         std::to_string(depth));
            RasterImage source, scaled;
            paint(source, c.pictureW, c.pictureH, depth, c.pixels);
            scaleOk(source, c.screenW, c.screenH, ScaleMode::Stretch, scaled);
            for (size_t i = 0; i < c.want.size(); ++i) {
                EXPECT_EQ(at(scaled, int32_t(i) % c.screenW, int32_t(i) / c.screenW), c.want[i]) << i;
            }
        }
    }
}

// Enlarging two pixels, black and white, runs smoothly from one to the
// other across and down: never back, and through many levels, not two.
TEST(ScaleImage, EnlargingARampIsSmoothAndMonotonic) {
    for (bool across : {true, false}) {
        SCOPED_TRACE(across ? "across" : "down");
        RasterImage source, scaled;
        paint(source, across ? 2 : 1, across ? 1 : 2, 24, [](int32_t x, int32_t y) {
            const int v = (x + y) * 255;
            return Colour{v, v, v};
        });
        const int32_t length = 100;
        scaleOk(source, across ? length : 3, across ? 3 : length, ScaleMode::Stretch, scaled);
        std::set<int> levels;
        int previous = 0;
        for (int32_t i = 0; i < length; ++i) {
            const int v = at(scaled, across ? i : 1, across ? 1 : i)[0];
            EXPECT_GE(v, previous) << i;
            previous = v;
            levels.insert(v);
        }
        EXPECT_EQ(*levels.begin(), 0);
        EXPECT_EQ(*levels.rbegin(), 255);
        EXPECT_GE(levels.size(), 40u);
    }
}

// A picture that already has the screen's size is used pixel for pixel.
TEST(ScaleImage, APictureOfTheScreensSizeIsUnchanged) {
    const Painter pattern = [](int32_t x, int32_t y) {
        return Colour{(x * 37 + y * 11) % 256, (x * 5 + y * 71) % 7 * 40, (x ^ y) * 16 % 256};
    };
    for (int depth : {8, 24, 32}) {
        RasterImage source;
        paint(source, 13, 9, depth, pattern);
        for (ScaleMode mode : kModes) {
            SCOPED_TRACE(std::string(nameOf(mode)) + " depth " + std::to_string(depth));
            RasterImage scaled;
            scaleOk(source, 13, 9, mode, scaled);
            for (int32_t y = 0; y < 9; ++y) {
                for (int32_t x = 0; x < 13; ++x) ASSERT_EQ(at(scaled, x, y), pattern(x, y)) << x << "," << y;
            }
        }
    }
}

// A line of 10000 pixels, one way or the other: fit shows it as one row
// (column) that still runs from dark to light, fill enlarges its middle
// over the whole screen, stretch draws every row (column) alike.
TEST(ScaleImage, ExtremeProportions) {
    for (bool wide : {true, false}) {
        SCOPED_TRACE(wide ? "10000 x 1" : "1 x 10000");
        RasterImage source;
        paint(source, wide ? 10000 : 1, wide ? 1 : 10000, 24, [](int32_t x, int32_t y) {
            const int v = (x + y) * 255 / 9999;
            return Colour{v, 255 - v, 7};
        });
        // Along the line: position i of the screen's w (across) or h (down).
        auto along = [&](const RasterImage& image, int32_t i, int32_t line) {
            return wide ? at(image, i, line) : at(image, line, i);
        };
        const int32_t length = wide ? 64 : 48, breadth = wide ? 48 : 64;

        RasterImage fit;
        scaleOk(source, 64, 48, ScaleMode::Fit, fit);
        const int32_t middle = (breadth - 1) / 2;
        int previous = -1;
        for (int32_t i = 0; i < length; ++i) {
            const Colour c = along(fit, i, middle);
            EXPECT_GT(c[0], previous) << i;
            EXPECT_NEAR(c[0] + c[1], 255, 1) << i;  // each channel on its own
            previous = c[0];
            EXPECT_EQ(along(fit, i, middle - 1), kBackground);
            EXPECT_EQ(along(fit, i, middle + 1), kBackground);
        }
        EXPECT_LE(along(fit, 0, middle)[0], 3);
        EXPECT_GE(along(fit, length - 1, middle)[0], 252);

        RasterImage fill;
        scaleOk(source, 64, 48, ScaleMode::Fill, fill);
        for (int32_t y = 0; y < 48; ++y) {
            for (int32_t x = 0; x < 64; ++x) {
                const Colour c = at(fill, x, y);
                ASSERT_TRUE(c[0] == 127 || c[0] == 128) << x << "," << y << ": " << text(c);
                ASSERT_EQ(c[2], 7);
            }
        }

        RasterImage stretch;
        scaleOk(source, 64, 48, ScaleMode::Stretch, stretch);
        for (int32_t line = 1; line < breadth; ++line) {
            for (int32_t i = 0; i < length; ++i) ASSERT_EQ(along(stretch, i, line), along(stretch, i, 0));
        }
        EXPECT_EQ(along(stretch, 0, 0)[0], along(fit, 0, middle)[0]);
    }
}

// A picture without pixels leaves the screen in the background colour.
TEST(ScaleImage, AnEmptyPictureGivesABackgroundScreen) {
    const int32_t sizes[][2] = {{0, 0}, {0, 5}, {5, 0}};
    for (const auto& size : sizes) {
        for (int depth : {8, 24}) {
            RasterImage source;
            test::describe(source, size[0], size[1], depth);
            ASSERT_EQ(source.allocate(), 1);
            for (ScaleMode mode : kModes) {
                RasterImage scaled;
                scaleOk(source, 4, 3, mode, scaled);
                for (int32_t i = 0; i < 12; ++i) ASSERT_EQ(at(scaled, i % 4, i / 4), kBackground) << i;
            }
        }
    }
}

// Screens that cannot be made and records that hold no picture fail with
// the one allocation message.
TEST(ScaleImage, ImpossibleRequestsFailWithOneMessage) {
    RasterImage picture;
    paint(picture, 3, 2, 24, [](int32_t, int32_t) { return Colour{1, 2, 3}; });
    RasterImage unallocated;
    test::describe(unallocated, 3, 2, 24);
    RasterImage sixteenBits;
    test::describe(sixteenBits, 3, 2, 16);
    struct Case {
        const RasterImage* source;
        int32_t width, height;
        int64_t planeByteLimit;
    };
    const Case cases[] = {
        {&picture, 0, 10, RasterImage::kDefaultPlaneByteLimit},
        {&picture, 10, 0, RasterImage::kDefaultPlaneByteLimit},
        {&picture, -4, 10, RasterImage::kDefaultPlaneByteLimit},
        {&picture, 65537, 1, RasterImage::kDefaultPlaneByteLimit},
        {&picture, 1, INT32_MAX, RasterImage::kDefaultPlaneByteLimit},
        {&picture, 100, 100, 9999},  // above the ceiling on plane bytes
        {&unallocated, 4, 4, RasterImage::kDefaultPlaneByteLimit},
        {&sixteenBits, 4, 4, RasterImage::kDefaultPlaneByteLimit},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        RasterImage::setPlaneByteLimit(c.planeByteLimit);
        for (ScaleMode mode : kModes) {
            RasterImage scaled;
            const Result r = scale(*c.source, c.width, c.height, mode, scaled);
            EXPECT_EQ(r.result, 0);
            ASSERT_EQ(r.shown.size(), 1u);
            EXPECT_EQ(r.shown[0].text, "Unable to allocate memory for bitmap.");
            EXPECT_EQ(r.shown[0].caption, "Vellumere Error");
            EXPECT_EQ(r.shown[0].style, platform::kMbIconWarning);
        }
        RasterImage::setPlaneByteLimit(RasterImage::kDefaultPlaneByteLimit);
    }
}
