#include "platform/Desktop.h"

namespace platform {
namespace {

Desktop* installedDesktop = nullptr;

}  // namespace

void setDesktopWallpaper(const char* path) {
    Desktop& desktop = installedDesktop ? *installedDesktop : defaultDesktop();
    desktop.setWallpaper(path);
}

Desktop* setDesktop(Desktop* replacement) {
    Desktop* previous = installedDesktop;
    installedDesktop = replacement;
    return previous;
}

}  // namespace platform
