#include "wallpaper/ScreenComposition.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "image/Scale.h"
#include "platform/Messages.h"

namespace {

// Copies the rectangle of `picture` at (sx, sy), width x height, to (dx, dy)
// of the canvas; the caller has clipped it to both.
void copyRect(const RasterImage& picture, int32_t sx, int32_t sy, int32_t width, int32_t height, RasterImage& canvas,
              int32_t dx, int32_t dy) {
    const size_t sourceWidth = size_t(picture.width);
    const size_t canvasWidth = size_t(canvas.width);
    for (int32_t row = 0; row < height; ++row) {
        const size_t from = size_t(sy + row) * sourceWidth + size_t(sx);
        const size_t to = size_t(dy + row) * canvasWidth + size_t(dx);
        if (picture.bitDepth >= 24) {
            for (int plane = 0; plane < 3; ++plane) {
                std::memcpy(canvas.planes[plane] + to, picture.planes[plane] + from, size_t(width));
            }
            continue;
        }
        const uint8_t* index = picture.planes[0] + from;
        for (int32_t column = 0; column < width; ++column) {
            const uint8_t* rgb = picture.palette + 3 * size_t(index[column]);
            canvas.planes[2][to + size_t(column)] = rgb[0];
            canvas.planes[1][to + size_t(column)] = rgb[1];
            canvas.planes[0][to + size_t(column)] = rgb[2];
        }
    }
}

void fillArea(RasterImage& canvas, const ScreenArea& area, uint32_t colour) {
    const uint8_t channel[3] = {uint8_t(colour), uint8_t(colour >> 8), uint8_t(colour >> 16)};
    for (int32_t row = 0; row < area.height; ++row) {
        const size_t at = size_t(area.y + row) * size_t(canvas.width) + size_t(area.x);
        for (int plane = 0; plane < 3; ++plane)
            std::memset(canvas.planes[plane] + at, channel[plane], size_t(area.width));
    }
}

// One axis of a centred picture: where it starts in the area and in the
// picture, and how much of it shows.
struct AxisCut {
    int32_t into;
    int32_t from;
    int32_t length;
};
AxisCut centred(int32_t picture, int32_t area) {
    if (picture <= area) return {(area - picture) / 2, 0, picture};
    return {0, (picture - area) / 2, area};
}

}  // namespace

int makeCanvas(int32_t width, int32_t height, uint32_t colour, RasterImage& canvas) {
    canvas.width = width;
    canvas.height = height;
    canvas.bitDepth = 24;
    if (width <= 0 || height <= 0 || !canvas.allocate()) {
        platform::showMessage("Unable to allocate memory for bitmap.", platform::kErrorCaption,
                              platform::kMbIconWarning);
        return 0;
    }
    fillArea(canvas, {0, 0, width, height}, colour);
    return 1;
}

int placePicture(const RasterImage& picture, Placement placement, const ScreenArea& area, uint32_t colour,
                 RasterImage& canvas) {
    if (placement == Placement::Center || placement == Placement::Tile) {
        fillArea(canvas, area, colour);
        if (picture.width <= 0 || picture.height <= 0) return 1;
        if (placement == Placement::Center) {
            const AxisCut across = centred(picture.width, area.width);
            const AxisCut down = centred(picture.height, area.height);
            copyRect(picture, across.from, down.from, across.length, down.length, canvas, area.x + across.into,
                     area.y + down.into);
            return 1;
        }
        for (int32_t y = 0; y < area.height; y += picture.height) {
            for (int32_t x = 0; x < area.width; x += picture.width) {
                copyRect(picture, 0, 0, std::min(picture.width, area.width - x),
                         std::min(picture.height, area.height - y), canvas, area.x + x, area.y + y);
            }
        }
        return 1;
    }
    const ScaleTarget target = scaleTarget(placement, area.width, area.height, colour);
    std::unique_ptr<RasterImage> scaled(new RasterImage);
    if (!scaleImage(picture, target, *scaled)) return 0;
    copyRect(*scaled, 0, 0, area.width, area.height, canvas, area.x, area.y);
    return 1;
}

ScaleTarget scaleTarget(Placement placement, int32_t width, int32_t height, uint32_t colour) {
    return {width,
            height,
            placement == Placement::Fit    ? ScaleMode::Fit
            : placement == Placement::Fill ? ScaleMode::Fill
                                           : ScaleMode::Stretch,
            uint8_t(colour >> 16),
            uint8_t(colour >> 8),
            uint8_t(colour)};
}

void turnForTiling(RasterImage& canvas, int32_t x, int32_t y) {
    const size_t width = size_t(canvas.width);
    const size_t height = size_t(canvas.height);
    if (width == 0 || height == 0) return;
    // Tiled from (x, y), bitmap pixel (i, j) lands where canvas pixel
    // (i + x, j + y), taken round the edges, belongs.
    const size_t across = size_t(x) % width;
    const size_t down = size_t(y) % height;
    for (int plane = 0; plane < 3; ++plane) {
        uint8_t* pixels = canvas.planes[plane];
        std::rotate(pixels, pixels + down * width, pixels + height * width);
        if (across == 0) continue;
        for (size_t row = 0; row < height; ++row) {
            uint8_t* start = pixels + row * width;
            std::rotate(start, start + across, start + width);
        }
    }
}
