#include "settings/SettingsStore.h"

#include <cstring>
#include <limits>
#include <new>

#include "platform/Messages.h"
#include "platform/Registry.h"
#include "settings/ListFile.h"

namespace {

constexpr const char* kErrorCaption = "Vellumere Error";

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

bool storeInRegistry(const char* name, const char* text) {
    std::unique_ptr<platform::RegistryKey> key =
        platform::registry().createForWriting(kSettingsKey);
    if (!key) {
        platform::showMessage("Unable to open registry for writing.", kErrorCaption,
                              platform::kMbIconWarning);
        return false;
    }
    if (!key->writeText(name, text)) {
        platform::showMessage("Unable to set value in registry.", kErrorCaption,
                              platform::kMbIconWarning);
        return false;
    }
    return true;
}

bool storeSetting(const char* name, const char* text) {
    if (std::strlen(text) > kRegistryTextLimit) return storeInListFile(name, text);
    return storeInRegistry(name, text);
}

void writeSetting(const char* name, const char* text) {
    storeSetting(name, text);
}
