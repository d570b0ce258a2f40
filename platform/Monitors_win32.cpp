#include <windows.h>
#include <versionhelpers.h>

#include "platform/Monitors.h"

namespace platform {
namespace {

BOOL CALLBACK addMonitor(HMONITOR handle, HDC, LPRECT, LPARAM found) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(handle, &info)) {
        const RECT& area = info.rcMonitor;
        reinterpret_cast<std::vector<Monitor>*>(found)->push_back(
            {area.left, area.top, area.right, area.bottom, (info.dwFlags & MONITORINFOF_PRIMARY) != 0});
    }
    return TRUE;
}

}  // namespace

std::vector<Monitor> systemMonitors() {
    // The manifest makes the process per-monitor DPI aware, so these are
    // physical pixels, the ones the wallpaper bitmap is made of.
    std::vector<Monitor> found;
    if (!EnumDisplayMonitors(nullptr, nullptr, addMonitor, reinterpret_cast<LPARAM>(&found))) found.clear();
    return found;
}

bool systemSpansWallpaper() {
    // The manifest names Windows 8 and later, so the version is not
    // disguised as Windows 7's.
    return IsWindows8OrGreater();
}

}  // namespace platform
