#include "wallpaper/Position.h"

#include <cstring>
#include <memory>

#include "settings/SettingsStore.h"

Position readPosition() {
    std::unique_ptr<char[]> stored = readSetting(kPositionSetting);
    if (!stored) return Position::System;
    for (std::size_t i = 0; i < kPositionCount; ++i) {
        if (std::strcmp(stored.get(), kPositionTexts[i]) == 0) return static_cast<Position>(i);
    }
    return Position::System;
}
