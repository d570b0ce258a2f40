#include "platform/Desktop.h"

#include "platform/Seam.h"

namespace platform {

using DesktopSeam = Seam<Desktop, defaultDesktop>;

Desktop& desktop() {
    return DesktopSeam::current();
}

void setDesktopWallpaper(const char* path) {
    desktop().setWallpaper(path);
}

Desktop* setDesktop(Desktop* replacement) {
    return DesktopSeam::replace(replacement);
}

}  // namespace platform
