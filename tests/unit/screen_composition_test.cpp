#include <gtest/gtest.h>

#include <vector>

#include "TestSupport.h"
#include "wallpaper/MonitorLayout.h"
#include "wallpaper/ScreenComposition.h"

namespace {

using platform::Monitor;

constexpr uint32_t kDesktop = 0x102030;

uint32_t pixelAt(const RasterImage& image, int32_t x, int32_t y) {
    const size_t i = size_t(y) * size_t(image.width) + size_t(x);
    return uint32_t(image.planes[2][i]) << 16 | uint32_t(image.planes[1][i]) << 8 | image.planes[0][i];
}

// A 24-bit picture of the given size in `fill`, with its four corners in
// their own colours (top-left, top-right, bottom-left, bottom-right).
void cornerPicture(RasterImage& picture, int32_t width, int32_t height, uint32_t fill, const uint32_t corners[4]) {
    test::describe(picture, width, height, 24);
    ASSERT_EQ(picture.allocate(), 1);
    auto put = [&](int32_t x, int32_t y, uint32_t c) {
        const size_t i = size_t(y) * size_t(width) + size_t(x);
        picture.planes[0][i] = uint8_t(c);
        picture.planes[1][i] = uint8_t(c >> 8);
        picture.planes[2][i] = uint8_t(c >> 16);
    };
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) put(x, y, fill);
    }
    put(0, 0, corners[0]);
    put(width - 1, 0, corners[1]);
    put(0, height - 1, corners[2]);
    put(width - 1, height - 1, corners[3]);
}

struct LayoutCase {
    const char* what;
    std::vector<Monitor> monitors;                  // in the system's order
    int32_t width, height;                          // of the bounding box
    std::vector<ScreenArea> areas;                  // primary first, then left to right
    std::vector<std::pair<int32_t, int32_t>> gaps;  // pixels of the box no monitor covers
};

const std::vector<LayoutCase>& layoutCases() {
    static const std::vector<LayoutCase> cases = {
        {"one monitor", {{0, 0, 8, 6, true}}, 8, 6, {{0, 0, 8, 6}}, {}},
        {"side by side, the second smaller",
         {{0, 0, 8, 6, true}, {8, 0, 12, 4, false}},
         12,
         6,
         {{0, 0, 8, 6}, {8, 0, 4, 4}},
         {{8, 4}, {11, 5}}},
        {"stacked", {{0, 6, 8, 10, false}, {0, 0, 8, 6, true}}, 8, 10, {{0, 0, 8, 6}, {0, 6, 8, 4}}, {}},
        {"left of the primary",
         {{0, 0, 8, 6, true}, {-6, 0, 0, 4, false}},
         14,
         6,
         {{6, 0, 8, 6}, {0, 0, 6, 4}},
         {{0, 4}, {5, 5}}},
        {"above the primary",
         {{0, 0, 8, 6, true}, {2, -4, 6, 0, false}},
         8,
         10,
         {{0, 4, 8, 6}, {2, 0, 4, 4}},
         {{0, 0}, {7, 3}}},
        {"left of and above the primary",
         {{-6, -5, 0, 0, false}, {0, 0, 8, 6, true}},
         14,
         11,
         {{6, 5, 8, 6}, {0, 0, 6, 5}},
         {{0, 5}, {13, 0}}},
        {"portrait beside landscape",
         {{0, 0, 8, 6, true}, {8, -3, 12, 9, false}},
         12,
         12,
         {{0, 3, 8, 6}, {8, 0, 4, 12}},
         {{0, 0}, {7, 11}}},
        {"three monitors",
         {{8, 0, 16, 6, false}, {0, 0, 8, 6, true}, {-4, 1, 0, 5, false}},
         20,
         6,
         {{4, 0, 8, 6}, {0, 1, 4, 4}, {12, 0, 8, 6}},
         {{0, 0}, {3, 5}}},
    };
    return cases;
}

// The box, each monitor's place in it (the primary first), and each
// monitor's picture at exactly its own corners, the desktop colour between
// monitors.
TEST(ScreenComposition, EveryMonitorGetsItsPictureAtItsPlace) {
    const uint32_t fills[] = {0xAA0000, 0x00AA00, 0x0000AA};
    for (const LayoutCase& c : layoutCases()) {
        SCOPED_TRACE(c.what);
        const MonitorLayout layout = monitorLayout(c.monitors);
        ASSERT_EQ(layout.width, c.width);
        ASSERT_EQ(layout.height, c.height);
        ASSERT_EQ(layout.monitors.size(), c.areas.size());
        for (size_t i = 0; i < c.areas.size(); ++i) {
            EXPECT_EQ(layout.monitors[i].x, c.areas[i].x) << i;
            EXPECT_EQ(layout.monitors[i].y, c.areas[i].y) << i;
            EXPECT_EQ(layout.monitors[i].width, c.areas[i].width) << i;
            EXPECT_EQ(layout.monitors[i].height, c.areas[i].height) << i;
        }
        EXPECT_EQ(layout.primaryX, c.areas[0].x);
        EXPECT_EQ(layout.primaryY, c.areas[0].y);

        test::RecordingSink messages;
        RasterImage canvas;
        ASSERT_EQ(makeCanvas(layout.width, layout.height, kDesktop, canvas), 1);
        for (size_t i = 0; i < layout.monitors.size(); ++i) {
            const ScreenArea& area = layout.monitors[i];
            const uint32_t corners[4] = {0x010101 * uint32_t(4 * i + 1), 0x010101 * uint32_t(4 * i + 2),
                                         0x010101 * uint32_t(4 * i + 3), 0x010101 * uint32_t(4 * i + 4)};
            RasterImage picture;
            cornerPicture(picture, area.width, area.height, fills[i], corners);
            ASSERT_EQ(placePicture(picture, Placement::Fill, area, kDesktop, canvas), 1);
        }
        for (size_t i = 0; i < layout.monitors.size(); ++i) {
            const ScreenArea& a = layout.monitors[i];
            const uint32_t n = 4 * uint32_t(i);
            EXPECT_EQ(pixelAt(canvas, a.x, a.y), 0x010101 * (n + 1)) << i;
            EXPECT_EQ(pixelAt(canvas, a.x + a.width - 1, a.y), 0x010101 * (n + 2)) << i;
            EXPECT_EQ(pixelAt(canvas, a.x, a.y + a.height - 1), 0x010101 * (n + 3)) << i;
            EXPECT_EQ(pixelAt(canvas, a.x + a.width - 1, a.y + a.height - 1), 0x010101 * (n + 4)) << i;
            EXPECT_EQ(pixelAt(canvas, a.x + 1, a.y + 1), fills[i]) << i;
        }
        for (const auto& gap : c.gaps) EXPECT_EQ(pixelAt(canvas, gap.first, gap.second), kDesktop);
        EXPECT_TRUE(messages.shown.empty());
    }
}

// Without the span style the system tiles the bitmap from the primary
// monitor's top-left: every pixel of the virtual screen must then show what
// the composed canvas has there.
TEST(ScreenComposition, TurnedForTilingEachMonitorShowsItsOwnPart) {
    for (const LayoutCase& c : layoutCases()) {
        SCOPED_TRACE(c.what);
        const MonitorLayout layout = monitorLayout(c.monitors);
        RasterImage canvas, turned;
        for (RasterImage* image : {&canvas, &turned}) {
            test::describe(*image, layout.width, layout.height, 24);
            ASSERT_EQ(image->allocate(), 1);
            for (size_t i = 0; i < image->pixelCount(); ++i) {
                for (int p = 0; p < 3; ++p) image->planes[p][i] = uint8_t(i * (p + 1));
            }
        }
        turnForTiling(turned, layout.primaryX, layout.primaryY);
        const int32_t left = -layout.primaryX, top = -layout.primaryY;  // the box in system coordinates
        for (int32_t y = top; y < top + layout.height; ++y) {
            for (int32_t x = left; x < left + layout.width; ++x) {
                const int32_t tx = ((x % layout.width) + layout.width) % layout.width;
                const int32_t ty = ((y % layout.height) + layout.height) % layout.height;
                ASSERT_EQ(pixelAt(turned, tx, ty), pixelAt(canvas, x - left, y - top)) << x << "," << y;
            }
        }
    }
}

// Center and Tile keep the picture's own size inside the monitor's area:
// cut evenly where it is larger, repeated from the area's top-left; an
// indexed picture is drawn through its palette. Nothing outside the area
// changes.
TEST(ScreenComposition, CenterAndTileStayInsideTheArea) {
    RasterImage indexed;
    test::describe(indexed, 3, 2, 8);
    ASSERT_EQ(indexed.allocate(), 1);
    for (int i = 0; i < 6; ++i) {
        indexed.planes[0][i] = uint8_t(i);
        indexed.palette[3 * i] = uint8_t(10 * (i + 1));  // red 10, 20, ... 60
    }
    const ScreenArea area{2, 1, 4, 3};
    struct Case {
        Placement placement;
        std::vector<std::vector<uint32_t>> rows;  // the area's pixels; 0 stands for the desktop colour
    };
    const Case cases[] = {
        {Placement::Center, {{0x0A0000, 0x140000, 0x1E0000, 0}, {0x280000, 0x320000, 0x3C0000, 0}, {0, 0, 0, 0}}},
        {Placement::Tile,
         {{0x0A0000, 0x140000, 0x1E0000, 0x0A0000},
          {0x280000, 0x320000, 0x3C0000, 0x280000},
          {0x0A0000, 0x140000, 0x1E0000, 0x0A0000}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.placement == Placement::Center ? "center" : "tile");
        RasterImage canvas;
        ASSERT_EQ(makeCanvas(8, 5, 0xFFFFFF, canvas), 1);
        ASSERT_EQ(placePicture(indexed, c.placement, area, kDesktop, canvas), 1);
        for (int32_t y = 0; y < 5; ++y) {
            for (int32_t x = 0; x < 8; ++x) {
                const bool inside = x >= area.x && x < area.x + area.width && y >= area.y && y < area.y + area.height;
                uint32_t expected = 0xFFFFFF;
                if (inside) {
                    expected = c.rows[size_t(y - area.y)][size_t(x - area.x)];
                    if (expected == 0) expected = kDesktop;
                }
                EXPECT_EQ(pixelAt(canvas, x, y), expected) << x << "," << y;
            }
        }
    }
    // Larger than the area: the middle of it.
    RasterImage wide;
    const uint32_t corners[4] = {1, 2, 3, 4};
    cornerPicture(wide, 6, 5, 0x777777, corners);
    RasterImage canvas;
    ASSERT_EQ(makeCanvas(8, 5, 0xFFFFFF, canvas), 1);
    ASSERT_EQ(placePicture(wide, Placement::Center, area, kDesktop, canvas), 1);
    EXPECT_EQ(pixelAt(canvas, 2, 1), 0x777777u);
    EXPECT_EQ(pixelAt(canvas, 1, 1), 0xFFFFFFu);
}

// A box beyond the scaler's 65536 pixels, or no monitor with pixels, is no
// layout; a list without a primary takes the first monitor as primary.
TEST(ScreenComposition, LayoutsTheProgramCannotComposeAreEmpty) {
    EXPECT_TRUE(monitorLayout({}).monitors.empty());
    EXPECT_TRUE(monitorLayout({{0, 0, 0, 768, true}}).monitors.empty());
    EXPECT_TRUE(monitorLayout({{0, 0, 1024, 768, true}, {70000, 0, 71024, 768, false}}).monitors.empty());
    const MonitorLayout layout = monitorLayout({{-100, 0, 0, 50, false}, {0, 0, 80, 60, false}});
    ASSERT_EQ(layout.monitors.size(), 2u);
    EXPECT_EQ(layout.primaryX, 0);
    EXPECT_EQ(layout.monitors[0].width, 100);
}

// A canvas above the memory ceiling is refused with the scaler's message.
TEST(ScreenComposition, ACanvasAboveTheCeilingIsRefusedAndSaid) {
    test::RecordingSink messages;
    const int64_t saved = RasterImage::planeByteLimit();
    RasterImage::setPlaneByteLimit(int64_t(11520) * 2160 * 3 - 1);
    RasterImage canvas;
    EXPECT_EQ(makeCanvas(11520, 2160, kDesktop, canvas), 0);
    RasterImage::setPlaneByteLimit(saved);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Unable to allocate memory for bitmap.");
}

}  // namespace
