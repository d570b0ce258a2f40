#include "wallpaper/WallpaperChange.h"

#include <cstring>
#include <memory>
#include <string>

#include "platform/Desktop.h"
#include "platform/FileSystem.h"
#include "platform/Messages.h"
#include "settings/ImageList.h"
#include "settings/SettingsStore.h"
#include "wallpaper/DirectoryPick.h"
#include "wallpaper/RandomChoice.h"
#include "wallpaper/WallpaperFile.h"

int currentIndex = -1;
int changesActive = 1;

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

// The index of the entry to try next, out of count entries.
int chooseIndex(int count) {
    std::unique_ptr<char[]> method = readSetting(kSelectionMethodSetting);
    if (!method || std::strcmp(method.get(), "Random") == 0) return randomChoice(count);
    return (currentIndex < -1 || currentIndex + 1 >= count) ? 0 : currentIndex + 1;
}

}  // namespace

void changeWallpaper(char* list) {
    for (;;) {
        const int count = countEntries(list);
        if (count == 0) {
            platform::setDesktopWallpaper("");
            return;
        }
        currentIndex = chooseIndex(count);
        size_t start = 0;
        size_t terminator = 0;
        locateEntry(list, currentIndex, &start, &terminator);
        const size_t length = terminator - start;

        char path[kPathBufferSize];
        const bool fits = length < kPathBufferSize;
        if (fits) {
            std::memcpy(path, list + start, length);
            path[length] = '\0';
        }
        if (!changesActive) return;

        const char* question = nullptr;
        std::string shownPath;
        platform::PathKind kind =
            fits ? platform::fileSystem().pathKind(path) : platform::PathKind::Unreadable;
        if (kind == platform::PathKind::Unreadable) {
            // An entry too long for any path buffer cannot name a readable file.
            question = kReadErrorQuestion;
            shownPath.assign(list + start, length);
        } else if (kind == platform::PathKind::Directory && !pickFileInDirectory(path)) {
            // No file to try: ask about the directory itself.
            question = kDirectoryErrorQuestion;
            shownPath = path;
        } else if (prepareWallpaperFile(path)) {
            platform::setDesktopWallpaper(path);
            return;
        } else {
            question = kind == platform::PathKind::Directory ? kDirectoryErrorQuestion
                                                             : kLoadErrorQuestion;
            shownPath = path;
        }

        int answer = platform::showMessageWithPath(
            question, shownPath.c_str(), "Vellumere Error",
            platform::kMbIconQuestion | platform::kMbYesNoCancel);
        if (answer == platform::kIdYes) {
            removeEntry(list, start, terminator);
            writeSetting(kFilesSetting, list);
        } else if (answer != platform::kIdNo) {
            return;  // Cancel, or the box could not be shown
        }
    }
}
