#include "settings/ShuffleRound.h"

#include <cstdint>
#include <memory>
#include <new>
#include <string>

#include "platform/FileSystem.h"
#include "settings/SettingsStore.h"

namespace {

constexpr const char* kRoundFileSuffix = ".round";

std::string roundFileOf(const char* listFile) {
    return std::string(listFile) + kRoundFileSuffix;
}

std::string readRoundFile(const std::string& path, size_t limit) {
    std::unique_ptr<platform::ReadableFile> file = platform::fileSystem().openForReading(path.c_str());
    uint64_t size = 0;
    if (!file || !file->size(&size) || size > limit) return std::string();
    std::unique_ptr<char[]> text(new (std::nothrow) char[size_t(size) + 1]);
    size_t got = 0;
    if (!text || (size > 0 && !file->read(text.get(), size_t(size), &got))) return std::string();
    try {
        return std::string(text.get(), got);
    } catch (const std::bad_alloc&) {
        return std::string();
    }
}

}  // namespace

std::string readShuffleRound(size_t limit) {
    if (std::unique_ptr<char[]> listFile = listFilePath(kFilesSetting)) {
        return readRoundFile(roundFileOf(listFile.get()), limit);
    }
    std::string stored;
    return readRegistryText(kShuffleRoundSetting, limit, &stored) ? stored : std::string();
}

bool storeShuffleRound(const std::string& shown) {
    if (std::unique_ptr<char[]> listFile = listFilePath(kFilesSetting)) {
        return platform::fileSystem().replaceFile(roundFileOf(listFile.get()).c_str(), shown.data(), shown.size()) ==
               platform::ReplaceResult::Replaced;
    }
    // The round holds only entries of a list short enough for the registry,
    // so it fits there too; never ask for a file of its own.
    return putInRegistry(kShuffleRoundSetting, shown.c_str());
}
