// The monitors of the desktop, as the system places them in the virtual
// screen: physical pixels (the program is per-monitor DPI aware), the
// primary monitor's top-left at 0, 0, others possibly at negative
// coordinates. Portable: no system headers.
#pragma once

#include <cstdint>
#include <vector>

namespace platform {

struct Monitor {
    int32_t left;  // right and bottom are exclusive
    int32_t top;
    int32_t right;
    int32_t bottom;
    bool primary;
};

// Every monitor of the desktop in the system's order; empty when the system
// cannot say.
std::vector<Monitor> systemMonitors();

// Whether the system lays one wallpaper across all monitors by itself (the
// span style, Windows 8 on); without it a bitmap of the virtual screen is
// tiled from the primary monitor's top-left instead.
bool systemSpansWallpaper();

}  // namespace platform
