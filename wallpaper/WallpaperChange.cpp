#include "wallpaper/WallpaperChange.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/Desktop.h"
#include "platform/FileSystem.h"
#include "platform/Messages.h"
#include "platform/PathBuffer.h"
#include "settings/ExcludedList.h"
#include "settings/ImageList.h"
#include "settings/SettingsStore.h"
#include "settings/ShuffleRound.h"
#include "wallpaper/DirectoryPick.h"
#include "wallpaper/EntryChoice.h"
#include "wallpaper/Position.h"
#include "wallpaper/RandomChoice.h"
#include "wallpaper/ScreenBitmap.h"
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

// The entry to try next, out of count entries; index -1 when every entry
// names an excluded picture. Not one of `taken` (drawn for other monitors of
// the same change) while others are left, except in sequential order, whose
// next entries differ anyway.
Choice chooseEntry(WallpaperState& state, const char* list, int count, const Exclusions& excluded,
                   const std::vector<int>& taken) {
    std::unique_ptr<char[]> method = readSetting(kSelectionMethodSetting);
    if (!method || std::strcmp(method.get(), "Random") == 0) {
        if (taken.empty()) return {randomEntry(list, count, excluded), false};
        std::vector<int> candidates;
        const std::vector<std::string> entries = splitEntries(list);
        for (int i = 0; i < count; ++i) {
            if (std::find(taken.begin(), taken.end(), i) == taken.end() &&
                !isExcludedEntry(excluded, entries[size_t(i)])) {
                candidates.push_back(i);
            }
        }
        if (candidates.empty()) return {randomEntry(list, count, excluded), false};
        return {candidates[size_t(randomChoice(int(candidates.size())))], false};
    }
    if (std::strcmp(method.get(), "Shuffle") == 0) {
        if (!state.shuffleRoundRead) {
            // A round never holds more than the list.
            state.shuffleRound = readShuffleRound(std::strlen(list));
            state.shuffleRoundRead = true;
        }
        return {drawShuffled(list, count, state.shuffleRound, excluded, taken), true};
    }
    return {nextEntry(list, count, state.currentIndex, excluded), false};
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

// Prepares the picture at path for the plan and sets it. Ready when it is on
// screen; path then names the bitmap set. The temporary bitmap never goes
// over a file of `list`, the image list.
Preparation prepareAndSet(WallpaperState& state, const ScreenPlan& plan, char* path, const char* list) {
    const std::string picture = path;
    if (composesPicture(plan)) {
        std::unique_ptr<RasterImage> image(new RasterImage);
        ScreenBitmap screen(plan);
        switch (loadPicture(path, *image, screen.targetsEverywhere())) {
        case Loaded::Unusable:
            return Preparation::Unusable;
        case Loaded::Bitmap:
            break;  // used as it lies, below
        case Loaded::Picture: {
            if (!screen.placeEverywhere(*image)) return Preparation::Unusable;  // told why
            image.reset();
            const Preparation prepared =
                screen.setAsWallpaper(picture.c_str(), path, state.defaultTempPath.c_str(), list);
            if (prepared == Preparation::Ready)
                state.history.remember(platform::fileSystem().fullPath(picture.c_str()));
            return prepared;
        }
        }
    }

    const Position position = plan.position;
    ScaleTarget target{};
    const bool scaling = screenTarget(position, &target);
    const Preparation prepared =
        prepareWallpaperFile(path, state.defaultTempPath.c_str(), scaling ? &target : nullptr, list);
    if (prepared != Preparation::Ready) return prepared;

    // A converted picture has been sized by the program already and is set
    // centred; a bitmap used as it lies is left to the system to size (on
    // every monitor, or across them all).
    const bool converted = picture != path;
    platform::Desktop& desktop = platform::desktop();
    if (composesPicture(plan) && plan.mode == MonitorMode::Span && plan.spans) {
        desktop.setLayout(platform::WallpaperLayout::Spanned);
        desktop.setWallpaper(path);
        state.history.remember(platform::fileSystem().fullPath(picture.c_str()));
        return Preparation::Ready;
    }
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

// A picture drawn for one monitor of a change that draws one per monitor.
struct Pick {
    std::string entry;    // the list entry it came from
    std::string picture;  // its file, by its full path
    bool shuffled;
};

// Every index of the list whose entry has been drawn for another monitor.
std::vector<int> takenIndexes(const char* list, int count, const std::vector<Pick>& picks) {
    std::vector<int> taken;
    if (picks.empty()) return taken;
    const std::vector<std::string> entries = splitEntries(list);
    for (int i = 0; i < count; ++i) {
        for (const Pick& pick : picks) {
            if (entries[size_t(i)] == pick.entry) taken.push_back(i);
        }
    }
    return taken;
}

// Sets the composed pictures of one change, counts them in the shuffled
// round and remembers them as one step.
void finishSet(WallpaperState& state, ScreenBitmap& screen, const std::vector<Pick>& picks, const char* list,
               int count) {
    char path[platform::kUtf8PathBufferSize];
    if (screen.setAsWallpaper(picks[0].picture.c_str(), path, state.defaultTempPath.c_str(), list) !=
        Preparation::Ready) {
        return;  // the user has been told; the place, not a picture, failed or memory ran out
    }
    PictureSet pictures;
    const std::vector<std::string> entries = splitEntries(list);
    for (const Pick& pick : picks) {
        pictures.push_back(pick.picture);
        if (!pick.shuffled) continue;
        const auto at = std::find(entries.begin(), entries.begin() + count, pick.entry);
        if (at != entries.begin() + count) countShown(state, list, count, int(at - entries.begin()));
    }
    state.history.remember(pictures);
}

void runChange(WallpaperState& state, const char* callerList) {
    const RunningChange running(state);
    const ScreenPlan plan = planScreens();
    // Under "Each" with several monitors: one picture per monitor, composed
    // as they come, so only one decoded picture is held at a time.
    const size_t slots = picturesPerChange(plan);
    ScreenBitmap screen(plan);
    std::vector<Pick> picks;
    // The caller's copy until a question has been answered; from then on the
    // list as it is stored (copied only then: lists can be long).
    std::string owned;
    bool ownCopy = false;
    // Read once a change: every choice of it looks pictures up here.
    const std::shared_ptr<const Exclusions> exclusions = state.exclusions.current();
    const Exclusions& excluded = *exclusions;
    for (;;) {
        const char* list = ownCopy ? owned.c_str() : callerList;
        const int count = countEntries(list);
        const Choice choice = count == 0 ? Choice{-1, false}
                                         : chooseEntry(state, list, count, excluded, takenIndexes(list, count, picks));
        if (choice.index < 0) {
            // Nothing to show: no entry, or each one an excluded picture.
            platform::setDesktopWallpaper("");
            return;
        }
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
        } else if (kind == platform::PathKind::Directory && !pickFileInDirectory(path, excluded)) {
            // No file to try (none at all, or each one excluded): ask about
            // the directory itself.
            question = kDirectoryErrorQuestion;
            shownPath = path;
        } else {
            Preparation prepared = Preparation::Unusable;
            std::unique_ptr<RasterImage> image;
            Loaded loaded = Loaded::Bitmap;
            if (slots > 1) {
                image.reset(new RasterImage);
                loaded = loadPicture(path, *image, screen.targetsOn(picks.size()));
            }
            if (loaded == Loaded::Picture) {
                if (!screen.placeOn(picks.size(), *image)) return;  // memory: the user has been told
                picks.push_back({entry, platform::fileSystem().fullPath(path), choice.shuffled});
                if (picks.size() < slots) continue;
                image.reset();
                finishSet(state, screen, picks, list, count);
                return;
            }
            if (loaded == Loaded::Bitmap) {
                // One monitor, or a bitmap file: used as it lies, never
                // decoded, it cannot share the screen with other pictures and
                // becomes the wallpaper alone.
                image.reset();
                prepared = prepareAndSet(state, plan, path, list);
            }
            switch (prepared) {
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

// Sets pictures set before again, as the plan now wants them: the previous
// set, or the one on screen over a new monitor layout. A set of several
// pictures goes to the monitors in turn (fewer monitors than pictures: the
// first ones; more: from the start again).
Preparation setPictureSet(WallpaperState& state, const PictureSet& pictures) {
    const ScreenPlan plan = planScreens();
    std::unique_ptr<char[]> stored = readSetting(kFilesSetting);
    const char* list = stored ? stored.get() : "";
    char path[platform::kUtf8PathBufferSize];
    if (pictures.size() == 1 || picturesPerChange(plan) == 1) {
        if (!platform::fitsPathBuffer(pictures[0])) return Preparation::Unusable;
        std::memcpy(path, pictures[0].c_str(), pictures[0].size() + 1);
        return prepareAndSet(state, plan, path, list);
    }
    ScreenBitmap screen(plan);
    for (size_t slot = 0; slot < plan.layout.monitors.size(); ++slot) {
        const std::string& picture = pictures[slot % pictures.size()];
        std::unique_ptr<RasterImage> image(new RasterImage);
        switch (loadPicture(picture.c_str(), *image, screen.targetsOn(slot))) {
        case Loaded::Picture:
            break;
        case Loaded::Bitmap:  // replaced by a bitmap since: it cannot share the screen
            platform::showMessageWithPath("There was an error loading the file \"%s\".", picture.c_str(),
                                          platform::kErrorCaption, platform::kMbIconWarning);
            return Preparation::Unusable;
        case Loaded::Unusable:
            return Preparation::Unusable;
        }
        if (!screen.placeOn(slot, *image)) return Preparation::Unusable;
    }
    const Preparation prepared = screen.setAsWallpaper(pictures[0].c_str(), path, state.defaultTempPath.c_str(), list);
    if (prepared == Preparation::Ready) state.history.remember(pictures);
    return prepared;
}

void showPrevious(WallpaperState& state) {
    const RunningChange running(state);
    WallpaperHistory& history = state.history;
    const PictureSet previous = history.previousSet();
    if (previous.empty()) return;
    const PictureSet onScreen = history.currentSet();
    history.goBack();
    const Preparation prepared = setPictureSet(state, previous);
    if (prepared == Preparation::Ready) return;
    // Still on screen: the pictures shown before the attempt.
    history.remember(onScreen);
    // The preparation has told the user why the pictures cannot come back
    // (a file deleted, say): forget them, so the next step goes further.
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

void recomposeWallpaper(WallpaperState& state) {
    if (state.changeRunning) return;  // that change reads the monitors itself
    const PictureSet onScreen = state.history.currentSet();
    if (onScreen.empty()) return;
    // Only what the program sized or composed depends on the monitors.
    const Position position = readPosition();
    const bool sized = position == Position::Fit || position == Position::Fill || position == Position::Stretch;
    if (onScreen.size() == 1 && !sized && readMonitorMode() != MonitorMode::Span) return;
    {
        const RunningChange running(state);
        setPictureSet(state, onScreen);
    }
    runPendingChange(state);
}
