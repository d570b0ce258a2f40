// Records every wallpaper set, in order, every layout set and every file
// shown in Explorer; a screen of a chosen size and colour.
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
    uint32_t backgroundColour() override { return background; }
    bool showInExplorer(const char* path) override {
        inExplorer.push_back(path);
        return true;
    }

    std::vector<std::string> wallpapers;
    std::vector<platform::WallpaperLayout> layouts;
    std::vector<std::string> inExplorer;  // files shown in Explorer
    platform::ScreenSize screen{640, 480};
    uint32_t background = 0x3A6EA5;
};

}  // namespace fakes
