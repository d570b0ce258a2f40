// Records every wallpaper set, in order.
#pragma once

#include <string>
#include <vector>

#include "Installed.h"
#include "platform/Desktop.h"

namespace fakes {

class FakeDesktop : public Installed<platform::Desktop, platform::setDesktop> {
public:
    void setWallpaper(const char* path) override { wallpapers.push_back(path); }

    std::vector<std::string> wallpapers;
};

}  // namespace fakes
