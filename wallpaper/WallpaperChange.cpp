#include "wallpaper/WallpaperChange.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/Desktop.h"
#include "platform/FileSystem.h"
#include "platform/Messages.h"
#include "platform/PathBuffer.h"
#include "settings/ImageList.h"
#include "settings/SettingsStore.h"
#include "settings/ShuffleRound.h"
#include "wallpaper/DirectoryPick.h"
#include "wallpaper/Position.h"
#include "wallpaper/RandomChoice.h"
#include "wallpaper/ShuffleChoice.h"
#include "wallpaper/WallpaperFile.h"

namespace {

constexpr const char* kReadErrorQuestion =
    "There was an error reading the file \"%s\".\nIt may have been deleted from your system.\n"
    "Do you want to remove it from the display list?";
constexpr const char* kLoadErrorQuestion =
    "There was an error loading the file \"%s\".\nDo you want to remove it from the display list?";
constexpr const char* kDirectoryErrorQuestion =
    "There was an error loading the file \"%s\".\nDirectories added to the image list should only "
    "contain files that can be loaded by Vellumere. Do you wish to move the directory from the "
    "list?";

constexpr const char* kRoundNotStored =
    "Unable to store which pictures this shuffled round has shown.\n"
    "Vellumere remembers them until it ends; after a restart they may come again before the round is over.";

struct Choice {
    int index;
    bool shuffled;
};

// The entry to try next, out of count entries.
Choice chooseEntry(WallpaperState& state, const char* list, int count) {
    std::unique_ptr<char[]> method = readSetting(kSelectionMethodSetting);
    if (!method || std::strcmp(method.get(), "Random") == 0) return {randomChoice(count), false};
    if (std::strcmp(method.get(), "Shuffle") == 0) {
        if (!state.shuffleRoundRead) {
            // A round never holds more than the list.
            state.shuffleRound = readShuffleRound(std::strlen(list));
            state.shuffleRoundRead = true;
        }
        return {drawShuffled(list, count, state.shuffleRound), true};
    }
    return {(state.currentIndex < -1 || state.currentIndex + 1 >= count) ? 0 : state.currentIndex + 1, false};
}

// The entry is on screen: it counts as shown in the round, which is stored.
void countShown(WallpaperState& state, const char* list, int count, int index) {
    state.shuffleRound = roundAfterShowing(list, count, state.shuffleRound, index);
    if (storeShuffleRound(state.shuffleRound) || state.shuffleStoreFailureReported) return;
    state.shuffleStoreFailureReported = true;
    platform::showMessage(kRoundNotStored, platform::kErrorCaption, platform::kMbIconWarning);
}

// The screen the picture is scaled to, for the positions in which the
// program sizes it; false for the others (and when the screen is unknown).
bool screenTarget(Position position, ScaleTarget* target) {
    if (position != Position::Fit && position != Position::Fill && position != Position::Stretch) return false;
    platform::Desktop& desktop = platform::desktop();
    const platform::ScreenSize screen = desktop.screenSize();
    if (screen.width <= 0 || screen.height <= 0) return false;
    const uint32_t colour = desktop.backgroundColour();
    target->width = screen.width;
    target->height = screen.height;
    target->mode = position == Position::Fit    ? ScaleMode::Fit
                   : position == Position::Fill ? ScaleMode::Fill
                                                : ScaleMode::Stretch;
    target->red = uint8_t(colour >> 16);
    target->green = uint8_t(colour >> 8);
    target->blue = uint8_t(colour);
    return true;
}

// Prepares the picture at path for the stored position and sets it. Ready
// when it is on screen; path then names the bitmap set. The temporary
// bitmap never goes over a file of `list`, the image list.
Preparation prepareAndSet(WallpaperState& state, char* path, const char* list) {
    const Position position = readPosition();
    ScaleTarget target{};
    const bool scaling = screenTarget(position, &target);
    const std::string picture = path;
    const Preparation prepared =
        prepareWallpaperFile(path, state.defaultTempPath.c_str(), scaling ? &target : nullptr, list);
    if (prepared != Preparation::Ready) return prepared;

    // A converted picture has been sized by the program already and is set
    // centred; a bitmap used as it lies is left to the system to size.
    const bool converted = picture != path;
    platform::Desktop& desktop = platform::desktop();
    switch (position) {
    case Position::System:
        break;
    case Position::Center:
        desktop.setLayout(platform::WallpaperLayout::Centred);
        break;
    case Position::Tile:
        desktop.setLayout(platform::WallpaperLayout::Tiled);
        break;
    case Position::Stretch:
    case Position::Fit:
    case Position::Fill:
        if (converted && scaling) {
            desktop.setLayout(platform::WallpaperLayout::Centred);
        } else {
            desktop.setLayout(position == Position::Fit    ? platform::WallpaperLayout::Fitted
                              : position == Position::Fill ? platform::WallpaperLayout::Filled
                                                           : platform::WallpaperLayout::Stretched);
        }
        break;
    }
    desktop.setWallpaper(path);
    // By its full path: a relative entry names another file once the current
    // folder has changed.
    state.history.remember(platform::fileSystem().fullPath(picture.c_str()));
    return Preparation::Ready;
}

// Replaces the working copy by the list as stored now, when one is stored.
void refreshFromStore(std::string& list) {
    if (std::unique_ptr<char[]> stored = readSetting(kFilesSetting)) list = stored.get();
}

// Removes the entry with the given text from the list as it is stored now
// (the user may have edited it while the question was open), preferring the
// occurrence at `index`, and stores the result. Falls back to the caller's
// copy when nothing is stored. The list to go on with is left in `list`.
void removeAnsweredEntry(std::string& list, int index, const std::string& entry) {
    refreshFromStore(list);
    const std::vector<std::string> entries = splitEntries(list.c_str());
    const int count = countEntries(list.c_str());
    int found = -1;
    if (index >= 0 && index < count && entries[size_t(index)] == entry) {
        found = index;
    } else {
        for (int i = 0; i < count && found < 0; ++i) {
            if (entries[size_t(i)] == entry) found = i;
        }
    }
    if (found < 0) return;  // gone already: nothing to remove or store
    size_t start = 0;
    size_t terminator = 0;
    locateEntry(list.c_str(), found, &start, &terminator);
    list.erase(start, terminator - start + 1);
    writeSetting(kFilesSetting, list.c_str());
}

// One change at a time: a change that falls due while another is showing a
// question (or the save dialog) never starts inside that one's modal loop.
class RunningChange {
public:
    explicit RunningChange(WallpaperState& state) : state_(state) { state_.changeRunning = true; }
    ~RunningChange() { state_.changeRunning = false; }
    RunningChange(const RunningChange&) = delete;
    RunningChange& operator=(const RunningChange&) = delete;

private:
    WallpaperState& state_;
};

void runChange(WallpaperState& state, const char* callerList) {
    const RunningChange running(state);
    // The caller's copy until a question has been answered; from then on the
    // list as it is stored (copied only then: lists can be long).
    std::string owned;
    bool ownCopy = false;
    for (;;) {
        const char* list = ownCopy ? owned.c_str() : callerList;
        const int count = countEntries(list);
        if (count == 0) {
            platform::setDesktopWallpaper("");
            return;
        }
        const Choice choice = chooseEntry(state, list, count);
        state.currentIndex = choice.index;
        size_t start = 0;
        size_t terminator = 0;
        locateEntry(list, state.currentIndex, &start, &terminator);
        const std::string entry(list + start, terminator - start);

        char path[platform::kUtf8PathBufferSize];
        const bool fits = platform::fitsPathBuffer(entry);
        if (fits) std::memcpy(path, entry.c_str(), entry.size() + 1);
        if (!state.changesActive) return;

        const char* question = nullptr;
        std::string shownPath;
        platform::PathKind kind = fits ? platform::fileSystem().pathKind(path) : platform::PathKind::Unreadable;
        if (kind == platform::PathKind::Unreadable) {
            // An entry too long for any path buffer cannot name a readable file.
            question = kReadErrorQuestion;
            shownPath = entry;
        } else if (kind == platform::PathKind::Directory && !pickFileInDirectory(path)) {
            // No file to try: ask about the directory itself.
            question = kDirectoryErrorQuestion;
            shownPath = path;
        } else {
            switch (prepareAndSet(state, path, list)) {
            case Preparation::Ready:
                if (choice.shuffled) countShown(state, list, count, choice.index);
                return;
            case Preparation::NotWritten:
                return;  // the place, not the picture: the user has been asked already
            case Preparation::Unusable:
                break;
            }
            question = kind == platform::PathKind::Directory ? kDirectoryErrorQuestion : kLoadErrorQuestion;
            shownPath = path;
        }

        int answer = platform::showMessageWithPath(question, shownPath.c_str(), platform::kErrorCaption,
                                                   platform::kMbIconQuestion | platform::kMbYesNoCancel);
        if (answer != platform::kIdYes && answer != platform::kIdNo) return;  // Cancel, or no box
        if (!ownCopy) owned = list;
        ownCopy = true;
        // Go on with the list as it is now, edits made meanwhile included.
        if (answer == platform::kIdYes) {
            removeAnsweredEntry(owned, state.currentIndex, entry);
        } else {
            refreshFromStore(owned);
        }
    }
}

void showPrevious(WallpaperState& state) {
    const RunningChange running(state);
    WallpaperHistory& history = state.history;
    const std::string previous = history.previous();
    if (previous.empty() || !platform::fitsPathBuffer(previous)) return;
    const std::string onScreen = history.current();
    char path[platform::kUtf8PathBufferSize];
    std::memcpy(path, previous.c_str(), previous.size() + 1);
    history.goBack();
    std::unique_ptr<char[]> list = readSetting(kFilesSetting);
    const Preparation prepared = prepareAndSet(state, path, list ? list.get() : "");
    if (prepared == Preparation::Ready) return;
    // Still on screen: the picture shown before the attempt.
    history.remember(onScreen);
    // The preparation has told the user why the picture cannot come back
    // (its file deleted, say): forget it, so the next step goes further.
    if (prepared == Preparation::Unusable) history.forgetPrevious();
}

// A change the user asked for while another was in progress runs now, once,
// from the list as stored (the options dialog's OK has just stored it).
void runPendingChange(WallpaperState& state) {
    while (state.changePending && !state.changeRunning) {
        state.changePending = false;
        std::unique_ptr<char[]> list = readSetting(kFilesSetting);
        if (list) runChange(state, list.get());
    }
}

}  // namespace

void changeWallpaper(WallpaperState& state, const char* callerList, ChangeRequest request) {
    if (state.changeRunning) {
        if (request == ChangeRequest::Command) state.changePending = true;
        return;
    }
    runChange(state, callerList);
    runPendingChange(state);
}

bool hasPreviousWallpaper(const WallpaperState& state) {
    return !state.history.previous().empty();
}

void showPreviousWallpaper(WallpaperState& state) {
    if (state.changeRunning) return;
    showPrevious(state);
    runPendingChange(state);
}
