#include "wallpaper/MonitorMode.h"

#include <cstring>
#include <memory>

#include "settings/SettingsStore.h"

MonitorMode readMonitorMode() {
    std::unique_ptr<char[]> stored = readSetting(kMonitorsSetting);
    if (!stored) return MonitorMode::Same;
    for (std::size_t i = 0; i < kMonitorModeCount; ++i) {
        if (std::strcmp(stored.get(), kMonitorModeTexts[i]) == 0) return static_cast<MonitorMode>(i);
    }
    return MonitorMode::Same;
}
