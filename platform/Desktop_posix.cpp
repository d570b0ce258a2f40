#include "platform/Desktop.h"

namespace platform {
namespace {

class NoDesktop : public Desktop {
public:
    void setWallpaper(const char*) override {}
    void setLayout(WallpaperLayout) override {}
    ScreenSize screenSize() override { return {0, 0}; }
    uint32_t backgroundColour() override { return 0; }
    bool showInExplorer(const char*) override { return false; }
};

}  // namespace

Desktop& defaultDesktop() {
    static NoDesktop none;
    return none;
}

}  // namespace platform
