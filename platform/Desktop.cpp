#include "platform/Desktop.h"

namespace platform {
namespace {

Desktop* installedDesktop = nullptr;

}  // namespace

Desktop& desktop() {
    return installedDesktop ? *installedDesktop : defaultDesktop();
}

void setDesktopWallpaper(const char* path) {
    desktop().setWallpaper(path);
}

Desktop* setDesktop(Desktop* replacement) {
    Desktop* previous = installedDesktop;
    installedDesktop = replacement;
    return previous;
}

}  // namespace platform
