// Drawing pictures into one 24-bit bitmap of the virtual screen, monitor by
// monitor. Portable.
#pragma once

#include <cstdint>

#include "image/RasterImage.h"
#include "image/Scale.h"
#include "wallpaper/MonitorLayout.h"

enum class Placement {
    Fit,  // scaled as the scaler's modes say
    Fill,
    Stretch,
    Center,  // at its own size, centred; cut evenly where larger than the area
    Tile,    // at its own size, repeated from the area's top-left
};

// The scaler's target for an area of width x height by Fit, Fill or Stretch
// (any other placement counts as Stretch), bars in `colour` (0xRRGGBB).
ScaleTarget scaleTarget(Placement placement, int32_t width, int32_t height, uint32_t colour);

// Makes `canvas`, a newly constructed record, a 24-bit picture of width x
// height in `colour` (0xRRGGBB). 0 when memory is lacking or the size is
// above the ceiling, after "Unable to allocate memory for bitmap.".
int makeCanvas(int32_t width, int32_t height, uint32_t colour, RasterImage& canvas);

// Draws `picture` (indexed, 24- or 32-bit) into `area` of the canvas, which
// must lie inside it; nothing outside the area changes. Fit's bars take
// `colour`. Scaling holds one area-sized picture besides the two. 0 after
// the scaler's message when memory is lacking.
int placePicture(const RasterImage& picture, Placement placement, const ScreenArea& area, uint32_t colour,
                 RasterImage& canvas);

// For a system that tiles the wallpaper from the primary monitor's top-left
// (x, y in the canvas): turns the canvas so that, tiled from there, each
// monitor shows its own part. In place.
void turnForTiling(RasterImage& canvas, int32_t x, int32_t y);
