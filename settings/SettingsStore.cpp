#include "settings/SettingsStore.h"

#include <cstring>
#include <limits>
#include <new>
#include <string>

#include "platform/FileDialogs.h"
#include "platform/FileSystem.h"
#include "platform/Messages.h"
#include "platform/PathBuffer.h"
#include "platform/Registry.h"
#include "platform/Utf8.h"
#include "settings/ListFile.h"

namespace {

using platform::kErrorCaption;
constexpr const char* kMarker = "File";

constexpr const char* kLargeListNotice =
    "As you have a large number of files in your image list, Vellumere will store them in a "
    "list on disk rather than in the registry. Please select a filename for your "
    "configuration file.";

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

// The marker that stands in a value whose text lives in a file: "File" in
// any letter case.
bool isFileMarker(const char* text) {
    for (const char* m = kMarker; *m; ++m, ++text) {
        if (lowerAscii(*text) != lowerAscii(*m)) return false;
    }
    return *text == '\0';
}

// The name of the value holding the file's path: name followed by "File".
// Null when there is no memory for it.
std::unique_ptr<char[]> companionName(const char* name) {
    size_t length = std::strlen(name);
    std::unique_ptr<char[]> companion(new (std::nothrow) char[length + std::strlen(kMarker) + 1]);
    if (!companion) return nullptr;
    std::memcpy(companion.get(), name, length);
    std::strcpy(companion.get() + length, kMarker);
    return companion;
}

// The value's text as the registry holds it (the marker, for a text kept in
// the image list file).
std::unique_ptr<char[]> readStoredText(const char* name) {
    std::unique_ptr<platform::RegistryKey> key = platform::registry().openForReading(kSettingsKey);
    if (!key) return nullptr;

    // One buffer sized for the longest value in the key fits any value.
    size_t longest = 0;
    if (!key->longestValueLength(&longest) || longest == std::numeric_limits<size_t>::max()) return nullptr;
    std::unique_ptr<char[]> text(new (std::nothrow) char[longest + 1]);
    if (!text) return nullptr;
    size_t stored = 0;
    if (!key->readValue(name, text.get(), longest + 1, &stored)) return nullptr;
    // The text ends at its stored NUL, or right after the data without one.
    text[stored < longest ? stored : longest] = '\0';
    return text;
}

}  // namespace

std::unique_ptr<char[]> listFilePath(const char* name) {
    std::unique_ptr<char[]> text = readStoredText(name);
    if (!text || !isFileMarker(text.get())) return nullptr;
    std::unique_ptr<char[]> companion = companionName(name);
    return companion ? readSetting(companion.get()) : nullptr;
}

std::unique_ptr<char[]> readSetting(const char* name) {
    std::unique_ptr<char[]> text = readStoredText(name);
    if (!text || !isFileMarker(text.get())) return text;

    std::unique_ptr<char[]> companion = companionName(name);
    if (!companion) return nullptr;
    std::unique_ptr<char[]> path = readSetting(companion.get());
    if (!path) return nullptr;
    return readListFile(path.get());
}

namespace {

enum class RegistryWrite { Stored, NoKey, NotSet };

RegistryWrite writeRegistryText(const char* name, const char* text) {
    std::unique_ptr<platform::RegistryKey> key = platform::registry().createForWriting(kSettingsKey);
    if (!key) return RegistryWrite::NoKey;
    return key->writeText(name, text) ? RegistryWrite::Stored : RegistryWrite::NotSet;
}

}  // namespace

bool storeInRegistry(const char* name, const char* text) {
    switch (writeRegistryText(name, text)) {
    case RegistryWrite::Stored:
        return true;
    case RegistryWrite::NoKey:
        platform::showMessage("Unable to open registry for writing.", kErrorCaption, platform::kMbIconWarning);
        return false;
    case RegistryWrite::NotSet:
        break;
    }
    platform::showMessage("Unable to set value in registry.", kErrorCaption, platform::kMbIconWarning);
    return false;
}

bool putInRegistry(const char* name, const char* text) {
    return writeRegistryText(name, text) == RegistryWrite::Stored;
}

bool readRegistryText(const char* name, size_t limit, std::string* text) {
    if (limit == std::numeric_limits<size_t>::max()) return false;
    std::unique_ptr<platform::RegistryKey> key = platform::registry().openForReading(kSettingsKey);
    if (!key) return false;
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[limit + 1]);
    size_t stored = 0;
    // A value longer than the buffer does not fit and is not read at all.
    if (!buffer || !key->readValue(name, buffer.get(), limit + 1, &stored)) return false;
    size_t length = 0;
    while (length < stored && buffer[length] != '\0') ++length;
    if (length > limit) return false;
    try {
        text->assign(buffer.get(), length);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

namespace {

// Stores a long text in the image list file of value name (asking the user
// for the file when there is none yet) and then the marker in the value.
// False, after telling the user, when nothing was stored.
bool storeInListFile(const char* name, const char* text) {
    std::string bytes;
    try {
        bytes = listFileBytes(text);
    } catch (const std::bad_alloc&) {
        platform::showMessage("Unable to allocate memory.", kErrorCaption, platform::kMbOk);
        return false;
    }
    std::unique_ptr<char[]> companion = companionName(name);
    if (!companion) {
        platform::showMessage("Unable to allocate memory.", kErrorCaption, platform::kMbOk);
    } else if (std::unique_ptr<char[]> path = readSetting(companion.get())) {
        // The file is complete before the marker is stored, so the registry
        // never points at a file that does not hold the text yet.
        platform::ReplaceResult result = platform::fileSystem().replaceFile(path.get(), bytes.data(), bytes.size());
        if (result == platform::ReplaceResult::Replaced) return storeInRegistry(name, kMarker);
        if (result == platform::ReplaceResult::WriteFailed) {
            platform::showMessageWithPath("Unable to write file \"%s\".", path.get(), kErrorCaption,
                                          platform::kMbIconWarning);
        }
    }

    platform::showMessage(kLargeListNotice, platform::kProgramCaption, platform::kMbIconInformation);
    char chosen[platform::kUtf8PathBufferSize] = "ImageList.qx";
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
        platform::ReplaceResult result = platform::fileSystem().replaceFile(chosen, bytes.data(), bytes.size());
        if (result == platform::ReplaceResult::Replaced) {
            return writeSetting(companion.get(), chosen) && storeInRegistry(name, kMarker);
        }
        const char* question = result == platform::ReplaceResult::CannotOpen
                                   ? "Unable to open file \"%s\" for writing.\nSelect another filename?"
                                   : "Unable to write file \"%s\".\nSelect another filename?";
        if (platform::showMessageWithPath(question, chosen, kErrorCaption,
                                          platform::kMbIconQuestion | platform::kMbYesNo) != platform::kIdYes) {
            return false;
        }
    }
}

}  // namespace

bool writeSetting(const char* name, const char* text) {
    // Counted as the registry counts: in UTF-16 code units, as many as the
    // ANSI code page had characters.
    if (platform::utf16Length(text) > kRegistryTextLimit) return storeInListFile(name, text);
    return storeInRegistry(name, text);
}
