// The desktop: its wallpaper setting, how the wallpaper is laid out, the
// primary screen's size and background colour, and showing a picture's file
// in Explorer. Tests install a recorder with setDesktop().
#pragma once

#include <cstdint>

#include "platform/Seam.h"

namespace platform {

// The system's own layout values ("WallpaperStyle" and "TileWallpaper" under
// HKCU\Control Panel\Desktop).
enum class WallpaperLayout {
    Centred,    // "0", "0"
    Tiled,      // "0", "1"
    Stretched,  // "2", "0"
    Fitted,     // "6", "0"
    Filled,     // "10", "0"
};

struct ScreenSize {
    int32_t width;
    int32_t height;
};

class Desktop {
public:
    virtual ~Desktop() = default;
    // Makes the bitmap at path the wallpaper and saves the setting for
    // later sessions; the empty path removes the wallpaper.
    virtual void setWallpaper(const char* path) = 0;
    // Stores the layout for the next setWallpaper().
    virtual void setLayout(WallpaperLayout layout) = 0;
    // The primary screen in pixels; 0 x 0 when unknown.
    virtual ScreenSize screenSize() = 0;
    // The desktop's background colour as 0xRRGGBB.
    virtual uint32_t backgroundColour() = 0;
    // Opens an Explorer window with the file selected; false when it could
    // not be started.
    virtual bool showInExplorer(const char* path) = 0;
};

// The platform's own: SystemParametersInfoW and the desktop's registry
// values on Windows; natively nothing.
Desktop& defaultDesktop();

// The installed desktop, else the platform's own.
inline constexpr auto desktop = Seam<Desktop, defaultDesktop>::current;

// Installs a desktop and returns the previous one; nullptr restores the
// default.
inline constexpr auto setDesktop = Seam<Desktop, defaultDesktop>::replace;

// Sets the wallpaper through desktop().
inline void setDesktopWallpaper(const char* path) {
    desktop().setWallpaper(path);
}

}  // namespace platform
