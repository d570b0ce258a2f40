#include "platform/Monitors.h"

namespace platform {

std::vector<Monitor> systemMonitors() {
    return {};
}

bool systemSpansWallpaper() {
    return false;
}

}  // namespace platform
