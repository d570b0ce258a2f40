#include "settings/ShuffleRound.h"

#include <cstdint>
#include <memory>
#include <string>

#include "platform/FileSystem.h"
#include "settings/SettingsStore.h"

namespace {

constexpr const char* kRoundFileSuffix = ".round";

std::string roundFileOf(const char* listFile) {
    return std::string(listFile) + kRoundFileSuffix;
}

}  // namespace

std::string readShuffleRound() {
    if (std::unique_ptr<char[]> listFile = listFilePath(kFilesSetting)) {
        // A missing or unreadable round file is a new round, not an error.
        std::unique_ptr<platform::ReadableFile> file =
            platform::fileSystem().openForReading(roundFileOf(listFile.get()).c_str());
        uint64_t size = 0;
        if (!file || !file->size(&size) || size > (uint64_t(1) << 30)) return std::string();
        std::string text(size_t(size), '\0');
        size_t got = 0;
        if (size > 0 && !file->read(&text[0], text.size(), &got)) return std::string();
        text.resize(got);
        return text;
    }
    std::unique_ptr<char[]> stored = readSetting(kShuffleRoundSetting);
    return stored ? std::string(stored.get()) : std::string();
}

void storeShuffleRound(const std::string& shown) {
    if (std::unique_ptr<char[]> listFile = listFilePath(kFilesSetting)) {
        platform::fileSystem().replaceFile(roundFileOf(listFile.get()).c_str(), shown.data(), shown.size());
        return;
    }
    // The round holds only entries of a list short enough for the registry,
    // so it fits there too; never ask for a file of its own.
    storeInRegistry(kShuffleRoundSetting, shown.c_str());
}
