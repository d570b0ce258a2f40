// Records every wallpaper set, in order.
#pragma once

#include <string>
#include <vector>

#include "platform/Desktop.h"

namespace fakes {

class FakeDesktop : public platform::Desktop {
public:
    FakeDesktop() : previous_(platform::setDesktop(this)) {}
    ~FakeDesktop() override { platform::setDesktop(previous_); }
    FakeDesktop(const FakeDesktop&) = delete;
    FakeDesktop& operator=(const FakeDesktop&) = delete;

    void setWallpaper(const char* path) override { wallpapers.push_back(path); }

    std::vector<std::string> wallpapers;

private:
    platform::Desktop* previous_;
};

}  // namespace fakes
