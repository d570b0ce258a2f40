#include "settings/ListFile.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>

#include "platform/FileDialogs.h"
#include "platform/FileSystem.h"
#include "platform/Messages.h"
#include "settings/ImageList.h"
#include "settings/SettingsStore.h"

namespace {

constexpr const char* kErrorCaption = "Vellumere Error";
constexpr const char* kMarker = "File";

constexpr const char* kLargeListNotice =
    "As you have a large number of files in your image list, Vellumere will store them in a "
    "list on disk rather than in the registry. Please select a filename for your "
    "configuration file.";

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

void reportUnreadable(const char* path) {
    platform::showMessageWithPath(
        "Unable to read file \"%s\".\nYou may need to reconfigure Vellumere.", path,
        kErrorCaption, platform::kMbIconWarning);
}

}  // namespace

bool isFileMarker(const char* text) {
    for (const char* m = kMarker; *m; ++m, ++text) {
        if (lowerAscii(*text) != lowerAscii(*m)) return false;
    }
    return *text == '\0';
}

std::unique_ptr<char[]> companionName(const char* name) {
    size_t length = std::strlen(name);
    std::unique_ptr<char[]> companion(new (std::nothrow) char[length + std::strlen(kMarker) + 1]);
    if (!companion) return nullptr;
    std::memcpy(companion.get(), name, length);
    std::strcpy(companion.get() + length, kMarker);
    return companion;
}

std::unique_ptr<char[]> readListFile(const char* path) {
    std::unique_ptr<platform::ReadableFile> file = platform::fileSystem().openForReading(path);
    if (!file) {
        reportUnreadable(path);
        return nullptr;
    }
    uint64_t size = 0;
    if (!file->size(&size)) {
        platform::showMessage("Unable to get file size", kErrorCaption, platform::kMbIconWarning);
        return nullptr;
    }
    std::unique_ptr<char[]> text;
    if (size < std::numeric_limits<size_t>::max()) {
        text.reset(new (std::nothrow) char[size_t(size) + 1]);
    }
    if (!text) {
        platform::showMessage("Unable to allocate memory", kErrorCaption, platform::kMbIconWarning);
        return nullptr;
    }
    size_t got = 0;
    // A failed read must not pass for an empty list: the user would see no
    // entries and could save over the real ones.
    if (!file->read(text.get(), size_t(size), &got)) {
        reportUnreadable(path);
        return nullptr;
    }
    text[got] = '\0';
    return text;
}

bool storeInListFile(const char* name, const char* text) {
    size_t length = std::strlen(text);
    std::unique_ptr<char[]> companion = companionName(name);
    if (!companion) {
        platform::showMessage("Unable to allocate memory.", kErrorCaption, platform::kMbOk);
    } else if (std::unique_ptr<char[]> path = readSetting(companion.get())) {
        // The file is complete before the marker is stored, so the registry
        // never points at a file that does not hold the text yet.
        platform::ReplaceResult result = platform::fileSystem().replaceFile(path.get(), text, length);
        if (result == platform::ReplaceResult::Replaced) return storeInRegistry(name, kMarker);
        if (result == platform::ReplaceResult::WriteFailed) {
            platform::showMessageWithPath("Unable to write file \"%s\".", path.get(),
                                          kErrorCaption, platform::kMbIconWarning);
        }
    }

    platform::showMessage(kLargeListNotice, "Vellumere", platform::kMbIconInformation);
    char chosen[kPathBufferSize] = "ImageList.qx";
    const platform::SaveDialogRequest request = {"Vellumere Image Lists", "*.qx", "qx"};
    for (;;) {
        if (!platform::askSaveFileName(chosen, sizeof chosen, request)) return false;
        if (!companion) companion = companionName(name);
        if (!companion) {
            platform::showMessage("Unable to allocate memory.", kErrorCaption, platform::kMbOk);
            return false;
        }
        // File first, then its path, then the marker: a failure at any step
        // leaves the value with its previous, still readable, contents.
        platform::ReplaceResult result = platform::fileSystem().replaceFile(chosen, text, length);
        if (result == platform::ReplaceResult::Replaced) {
            return storeSetting(companion.get(), chosen) && storeInRegistry(name, kMarker);
        }
        const char* question =
            result == platform::ReplaceResult::CannotOpen
                ? "Unable to open file \"%s\" for writing.\nSelect another filename?"
                : "Unable to write file \"%s\".\nSelect another filename?";
        if (platform::showMessageWithPath(question, chosen, kErrorCaption,
                                          platform::kMbIconQuestion | platform::kMbYesNo) !=
            platform::kIdYes) {
            return false;
        }
    }
}
