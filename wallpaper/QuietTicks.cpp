#include "wallpaper/QuietTicks.h"

#include <cstring>
#include <memory>

#include "platform/NotificationState.h"
#include "settings/SettingsStore.h"
#include "wallpaper/WallpaperChange.h"

namespace {

bool mustWait() {
    return fullScreenPauseWanted() && platform::notificationState().fullScreenProgramRuns();
}

void changeOnTick(WallpaperState& state) {
    std::unique_ptr<char[]> list = readSetting(kFilesSetting);
    if (list) changeWallpaper(state, list.get(), ChangeRequest::Tick);
}

}  // namespace

bool fullScreenPauseWanted() {
    std::unique_ptr<char[]> text = readSetting(kFullScreenPauseSetting);
    return !text || std::strcmp(text.get(), "0") != 0;
}

bool QuietTicks::tick(WallpaperState& state) {
    // Further ticks while one waits add nothing: one change is due, not several.
    if (waiting_) return true;
    if (mustWait()) {
        waiting_ = true;
        return true;
    }
    changeOnTick(state);
    return false;
}

bool QuietTicks::check(WallpaperState& state) {
    // A change showing a question would skip a tick's change: wait for it too.
    if (!waiting_ || state.changeRunning || mustWait()) return false;
    waiting_ = false;
    changeOnTick(state);
    return true;
}
