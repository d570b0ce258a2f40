// What several monitors show: the setting "Monitors". Absent (or a text the
// program does not know) means "Same", the way of a single screen.
#pragma once

#include <cstddef>

enum class MonitorMode {
    Same,  // one picture, sized for each monitor by the position
    Each,  // one picture per monitor, drawn by the selection method
    Span,  // one picture across the bounding box of all monitors
};

// The stored texts, in the order the options dialog lists them.
constexpr const char* kMonitorModeTexts[] = {"Same", "Each", "Span"};
constexpr std::size_t kMonitorModeCount = sizeof kMonitorModeTexts / sizeof kMonitorModeTexts[0];

// The stored mode; Same when absent or unknown.
MonitorMode readMonitorMode();

inline const char* monitorModeText(MonitorMode mode) {
    return kMonitorModeTexts[static_cast<std::size_t>(mode)];
}
