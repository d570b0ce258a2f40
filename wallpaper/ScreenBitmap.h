// One bitmap of the whole virtual screen, composed by the program, for a
// desktop of several monitors: the system has no way of its own to show a
// picture per monitor (nor, before Windows 8, one across all of them), but
// every version lays one bitmap over all monitors, spanned (Windows 8 on) or
// tiled from the primary monitor's top-left.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "image/RasterImage.h"
#include "image/Scale.h"
#include "wallpaper/MonitorLayout.h"
#include "wallpaper/MonitorMode.h"
#include "wallpaper/Position.h"
#include "wallpaper/ScreenComposition.h"
#include "wallpaper/WallpaperFile.h"

// How the next wallpaper serves the monitors.
struct ScreenPlan {
    MonitorMode mode = MonitorMode::Same;
    Position position = Position::System;
    // Two monitors or more; empty for one monitor (or none known): then the
    // wallpaper is made for the primary screen as always.
    MonitorLayout layout;
    bool spans = false;   // the system has the span style
    uint32_t colour = 0;  // the desktop's, for bars and gaps
};

// From "Monitors", "Position" and the desktop now.
ScreenPlan planScreens();

// Pictures one change draws: one per monitor under "Each", else one.
std::size_t picturesPerChange(const ScreenPlan& plan);

// Whether a single picture is composed into a bitmap of the virtual screen:
// several monitors and a position the program sizes the picture for ("Same",
// "Each": Fit, Fill, Stretch; "Span": also System, which spans as Fill).
// Otherwise the picture is sized for the primary screen, or left to the
// system, as on one monitor.
bool composesPicture(const ScreenPlan& plan);

class ScreenBitmap {
public:
    explicit ScreenBitmap(const ScreenPlan& plan) : plan_(plan) {}

    // What placeOn(slot) and placeEverywhere() scale the picture to, for a
    // reader that can decode it smaller; empty when the picture is placed
    // at its own size (Center, Tile).
    std::vector<ScaleTarget> targetsOn(std::size_t slot) const;
    std::vector<ScaleTarget> targetsEverywhere() const;
    // The picture on monitor `slot` of the layout, by the position (under
    // "Each", System is Fill). 0 after a message (memory).
    int placeOn(std::size_t slot, const RasterImage& picture);
    // The one picture as the plan's mode wants it: on every monitor, or
    // across their bounding box.
    int placeEverywhere(const RasterImage& picture);
    // Writes the bitmap as the temporary bitmap (`picture`, the source file,
    // is never written over) and sets it with the layout that lays it over
    // the monitors. Ready when it is on screen; pathBuffer then names it.
    Preparation setAsWallpaper(const char* picture, char* pathBuffer, const char* defaultTempPath, const char* list);

private:
    int canvas();

    const ScreenPlan& plan_;
    std::unique_ptr<RasterImage> canvas_;
};
