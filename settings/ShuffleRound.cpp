#include "settings/ShuffleRound.h"

#include <cstdint>
#include <memory>
#include <new>
#include <string>

#include "platform/FileSystem.h"
#include "settings/ListFile.h"
#include "settings/SettingsStore.h"

namespace {

constexpr const char* kRoundFileSuffix = ".round";

std::string roundFileOf(const char* listFile) {
    return std::string(listFile) + kRoundFileSuffix;
}

// Written like the list file (ANSI, or UTF-8 after its mark), which takes
// no more bytes than its UTF-8 text plus the mark.
constexpr size_t kMarkLength = 3;

std::string readRoundFile(const std::string& path, size_t limit) {
    std::unique_ptr<platform::ReadableFile> file = platform::fileSystem().openForReading(path.c_str());
    uint64_t size = 0;
    if (!file || !file->size(&size) || limit > SIZE_MAX - kMarkLength || size > limit + kMarkLength) {
        return std::string();
    }
    std::unique_ptr<char[]> bytes(new (std::nothrow) char[size_t(size) + 1]);
    size_t got = 0;
    if (!bytes || (size > 0 && !file->read(bytes.get(), size_t(size), &got))) return std::string();
    try {
        std::string text = listFileText(std::string_view(bytes.get(), got));
        return text.size() > limit ? std::string() : text;
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
        try {
            const std::string bytes = listFileBytes(shown);
            return platform::fileSystem().replaceFile(roundFileOf(listFile.get()).c_str(), bytes.data(),
                                                      bytes.size()) == platform::ReplaceResult::Replaced;
        } catch (const std::bad_alloc&) {
            return false;
        }
    }
    // The round holds only entries of a list short enough for the registry,
    // so it fits there too; never ask for a file of its own.
    return putInRegistry(kShuffleRoundSetting, shown.c_str());
}
