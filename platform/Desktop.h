// The desktop wallpaper setting. Tests install a recorder with setDesktop().
#pragma once

namespace platform {

class Desktop {
public:
    virtual ~Desktop() = default;
    // Makes the bitmap at path the wallpaper and saves the setting for
    // later sessions; the empty path removes the wallpaper.
    virtual void setWallpaper(const char* path) = 0;
};

// Sets the wallpaper through the installed desktop, else the platform's own.
void setDesktopWallpaper(const char* path);

// Installs a desktop and returns the previous one; nullptr restores the
// default.
Desktop* setDesktop(Desktop* replacement);

// The platform's own: SystemParametersInfoA on Windows; natively nothing.
Desktop& defaultDesktop();

}  // namespace platform
