// The monitors as areas of one bitmap of the virtual screen: the bitmap
// covers their bounding box, whose top-left is its pixel 0, 0, so monitors
// left of or above the primary one (at negative coordinates) get positive
// offsets. Portable.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/Monitors.h"

struct ScreenArea {
    int32_t x;  // from the bitmap's top-left, in pixels
    int32_t y;
    int32_t width;
    int32_t height;
};

struct MonitorLayout {
    int32_t width = 0;  // the bounding box of all monitors
    int32_t height = 0;
    // The primary monitor first, then the others from left to right (top to
    // bottom where they start at the same column): the order in which one
    // change's pictures are handed out.
    std::vector<ScreenArea> monitors;
    // The primary monitor's top-left in the bitmap: where a system that
    // tiles the wallpaper from the primary's origin starts its first tile.
    int32_t primaryX = 0;
    int32_t primaryY = 0;
};

// Monitors without pixels are left out; when none is marked primary the
// first one counts as primary. No monitors, or a bounding box wider or
// higher than 65536 pixels, give an empty layout: the program then sizes
// the wallpaper for the primary screen alone.
MonitorLayout monitorLayout(const std::vector<platform::Monitor>& monitors);
