#include "wallpaper/ScreenBitmap.h"

#include "platform/Desktop.h"

namespace {

bool programSizes(Position position) {
    return position == Position::Fit || position == Position::Fill || position == Position::Stretch;
}

Placement placementOf(Position position) {
    switch (position) {
    case Position::Fit:
        return Placement::Fit;
    case Position::Stretch:
        return Placement::Stretch;
    case Position::Center:
        return Placement::Center;
    case Position::Tile:
        return Placement::Tile;
    case Position::System:  // the system's own default since Windows 7
    case Position::Fill:
        break;
    }
    return Placement::Fill;
}

bool scales(Placement placement) {
    return placement == Placement::Fit || placement == Placement::Fill || placement == Placement::Stretch;
}

}  // namespace

ScreenPlan planScreens() {
    ScreenPlan plan;
    plan.mode = readMonitorMode();
    plan.position = readPosition();
    platform::Desktop& desktop = platform::desktop();
    plan.layout = monitorLayout(desktop.monitors());
    if (plan.layout.monitors.size() < 2) plan.layout = MonitorLayout();
    plan.spans = desktop.spansWallpaper();
    plan.colour = desktop.backgroundColour();
    return plan;
}

std::size_t picturesPerChange(const ScreenPlan& plan) {
    return plan.mode == MonitorMode::Each && !plan.layout.monitors.empty() ? plan.layout.monitors.size() : 1;
}

bool composesPicture(const ScreenPlan& plan) {
    if (plan.layout.monitors.empty()) return false;
    if (plan.mode == MonitorMode::Span) return plan.position != Position::Center && plan.position != Position::Tile;
    return programSizes(plan.position);
}

int ScreenBitmap::canvas() {
    if (canvas_) return 1;
    canvas_.reset(new RasterImage);
    if (makeCanvas(plan_.layout.width, plan_.layout.height, plan_.colour, *canvas_)) return 1;
    canvas_.reset();
    return 0;
}

std::vector<ScaleTarget> ScreenBitmap::targetsOn(std::size_t slot) const {
    const Placement placement = placementOf(plan_.position);
    if (!scales(placement) || slot >= plan_.layout.monitors.size()) return {};
    const ScreenArea& area = plan_.layout.monitors[slot];
    return {scaleTarget(placement, area.width, area.height, plan_.colour)};
}

std::vector<ScaleTarget> ScreenBitmap::targetsEverywhere() const {
    const Placement placement = placementOf(plan_.position);
    if (!scales(placement)) return {};
    if (plan_.mode == MonitorMode::Span)
        return {scaleTarget(placement, plan_.layout.width, plan_.layout.height, plan_.colour)};
    std::vector<ScaleTarget> targets;
    for (std::size_t slot = 0; slot < plan_.layout.monitors.size(); ++slot) {
        const ScreenArea& area = plan_.layout.monitors[slot];
        targets.push_back(scaleTarget(placement, area.width, area.height, plan_.colour));
    }
    return targets;
}

int ScreenBitmap::placeOn(std::size_t slot, const RasterImage& picture) {
    if (!canvas()) return 0;
    return placePicture(picture, placementOf(plan_.position), plan_.layout.monitors[slot], plan_.colour, *canvas_);
}

int ScreenBitmap::placeEverywhere(const RasterImage& picture) {
    if (plan_.mode != MonitorMode::Span) {
        for (std::size_t slot = 0; slot < plan_.layout.monitors.size(); ++slot) {
            if (!placeOn(slot, picture)) return 0;
        }
        return 1;
    }
    // Scaled straight to the bounding box: no second picture of its size.
    // Gaps between monitors are never seen.
    const ScaleTarget target =
        scaleTarget(placementOf(plan_.position), plan_.layout.width, plan_.layout.height, plan_.colour);
    canvas_.reset(new RasterImage);
    if (scaleImage(picture, target, *canvas_)) return 1;
    canvas_.reset();
    return 0;
}

Preparation ScreenBitmap::setAsWallpaper(const char* picture, char* pathBuffer, const char* defaultTempPath,
                                         const char* list) {
    if (!canvas()) return Preparation::Unusable;
    if (!plan_.spans) turnForTiling(*canvas_, plan_.layout.primaryX, plan_.layout.primaryY);
    const Preparation prepared = writeWallpaperBitmap(*canvas_, picture, pathBuffer, defaultTempPath, list);
    canvas_.reset();
    if (prepared != Preparation::Ready) return prepared;
    platform::Desktop& desktop = platform::desktop();
    desktop.setLayout(plan_.spans ? platform::WallpaperLayout::Spanned : platform::WallpaperLayout::Tiled);
    desktop.setWallpaper(pathBuffer);
    return Preparation::Ready;
}
