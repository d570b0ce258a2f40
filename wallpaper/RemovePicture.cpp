#include "wallpaper/RemovePicture.h"

#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "platform/Messages.h"
#include "platform/PathText.h"
#include "settings/ExcludedList.h"
#include "settings/ImageList.h"
#include "settings/SettingsStore.h"
#include "wallpaper/EntryChoice.h"
#include "wallpaper/WallpaperChange.h"

namespace {

constexpr const char* kRemoveQuestion = "Do you want to remove the file \"%s\" from the display list?";

// How the picture stands in the image list.
struct Standing {
    bool fileEntry = false;         // an entry names the picture itself
    bool inDirectoryEntry = false;  // an entry names the folder holding it
};

// The folder's key: the picture's key up to its last separator, without it.
std::string folderKeyOf(const std::string& pictureKey) {
    const size_t nameStart = platform::fileNameStart(pictureKey.data(), pictureKey.size());
    return pictureKey.substr(0, nameStart > 0 ? nameStart - 1 : 0);
}

std::string withoutTrailingBackslash(std::string key) {
    if (platform::endsWithBackslash(key.data(), key.size())) key.pop_back();
    return key;
}

// One walk over the list; with `kept`, also the list without the picture's
// file entries.
Standing standingIn(const char* list, const std::string& pictureKey, std::string* kept = nullptr) {
    const std::string folderKey = folderKeyOf(pictureKey);
    Standing standing;
    for (const char* p = list; *p;) {
        const char* bel = std::strchr(p, kEntryTerminator);
        const std::string_view entry(p, bel ? size_t(bel - p) : std::strlen(p));
        const std::string key = entryKey(entry);
        const bool isPicture = !entry.empty() && key == pictureKey;
        if (isPicture) standing.fileEntry = true;
        if (!folderKey.empty() && withoutTrailingBackslash(key) == folderKey) standing.inDirectoryEntry = true;
        if (kept != nullptr && !isPicture) {
            kept->append(entry.data(), entry.size());
            kept->push_back(kEntryTerminator);
        }
        if (!bel) break;
        p = bel + 1;
    }
    return standing;
}

// The list as stored now; false when none is stored (or it cannot be read).
bool readList(std::string* list) {
    std::unique_ptr<char[]> stored = readSetting(kFilesSetting);
    if (!stored) return false;
    list->assign(stored.get());
    return true;
}

}  // namespace

bool canRemovePicture(const WallpaperState& state) {
    return !state.history.current().empty();
}

void removePictureFromList(WallpaperState& state) {
    const std::string picture = state.history.current();
    if (picture.empty()) return;
    const std::string pictureKey = excludedKey(picture);

    std::string list;
    if (!readList(&list)) return;  // nothing to remove it from, nothing to change to
    const bool fileEntry = standingIn(list.c_str(), pictureKey).fileEntry;
    bool inDirectoryEntry = true;
    if (fileEntry) {
        // Removing an entry cannot be undone here: ask, as for an entry that
        // cannot be loaded.
        if (platform::showMessageWithPath(kRemoveQuestion, picture.c_str(), platform::kProgramCaption,
                                          platform::kMbIconQuestion | platform::kMbYesNo) != platform::kIdYes) {
            return;
        }
        // The list as it is now: the question's modal loop may have let it change.
        if (!readList(&list)) return;
        std::string kept;
        const Standing now = standingIn(list.c_str(), pictureKey, &kept);
        if (now.fileEntry && !writeSetting(kFilesSetting, kept.c_str())) return;
        list = kept;
        inDirectoryEntry = now.inDirectoryEntry;
    }
    // Drawn from a directory entry, or still in one: exclude it.
    if (inDirectoryEntry && !addExcluded(picture)) return;

    changeWallpaper(state, list.c_str(), ChangeRequest::Command);
    state.history.forgetBehind(picture);
}
