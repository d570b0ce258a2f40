// Records every wallpaper set, in order, every layout set and every file
// shown in Explorer; a screen of a chosen size and colour, and a chosen list
// of monitors (none: the single-screen way).
#pragma once

#include <string>
#include <vector>

#include "Installed.h"
#include "platform/Desktop.h"

namespace fakes {

class FakeDesktop : public Installed<platform::Desktop, platform::setDesktop> {
public:
    void setWallpaper(const char* path) override { wallpapers.push_back(path); }
    void setLayout(platform::WallpaperLayout layout) override { layouts.push_back(layout); }
    platform::ScreenSize screenSize() override { return screen; }
    std::vector<platform::Monitor> monitors() override { return monitorList; }
    bool spansWallpaper() override { return spans; }
    uint32_t backgroundColour() override { return background; }
    bool showInExplorer(const char* path) override {
        inExplorer.push_back(path);
        return true;
    }

    std::vector<std::string> wallpapers;
    std::vector<platform::WallpaperLayout> layouts;
    std::vector<std::string> inExplorer;  // files shown in Explorer
    platform::ScreenSize screen{640, 480};
    std::vector<platform::Monitor> monitorList;
    bool spans = true;
    uint32_t background = 0x3A6EA5;
};

}  // namespace fakes
