#include <windows.h>

#include "platform/Desktop.h"

namespace platform {
namespace {

class Win32Desktop : public Desktop {
public:
    void setWallpaper(const char* path) override {
        // Only the wallpaper itself: its style and tiling stay as the user
        // set them. There is nothing useful to do when it fails.
        SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, const_cast<char*>(path),
                              SPIF_UPDATEINIFILE);
    }
};

}  // namespace

Desktop& defaultDesktop() {
    static Win32Desktop desktop;
    return desktop;
}

}  // namespace platform
