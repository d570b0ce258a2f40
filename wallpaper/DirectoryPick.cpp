#include "wallpaper/DirectoryPick.h"

#include <climits>
#include <cstring>
#include <memory>
#include <string>

#include "platform/DirectoryWalk.h"
#include "platform/FileSystem.h"
#include "platform/PathBuffer.h"
#include "platform/PathText.h"
#include "wallpaper/RandomChoice.h"

namespace {

// The files of a directory that may be shown, in the system's order:
// subdirectories and excluded pictures do not count.
class FileWalk {
public:
    // fullPrefixKey: the directory's full path with its backslash, as
    // excludedKey() makes it; unused when nothing is excluded.
    FileWalk(const std::string& prefix, const Exclusions& excluded, const std::string& fullPrefixKey)
        : walk_(prefix), excluded_(excluded), key_(fullPrefixKey) {}

    bool nextFile(std::string* name) {
        platform::FoundName found;
        while (walk_.next(&found)) {
            if (found.isDirectory || isExcluded(found.name)) continue;
            *name = found.name;
            return true;
        }
        return false;
    }

private:
    // One lookup per name, the key built in place after the directory's.
    bool isExcluded(const std::string& name) {
        if (excluded_.empty()) return false;
        const size_t prefixLength = key_.size();
        appendExcludedKey(&key_, name);
        const bool found = excluded_.containsKey(key_);
        key_.resize(prefixLength);
        return found;
    }

    platform::DirectoryWalk walk_;
    const Exclusions& excluded_;
    std::string key_;
};

}  // namespace

bool pickFileInDirectory(char* path, const Exclusions& excluded) {
    std::string prefix = path;
    if (!platform::endsWithBackslash(prefix.data(), prefix.size())) prefix += '\\';
    if (!platform::fitsPathBuffer(prefix + "*.*")) return false;  // no search pattern fits
    // Pictures are excluded by their full paths, as the history knows them.
    std::string fullPrefixKey;
    if (!excluded.empty()) {
        std::string full = platform::fileSystem().fullPath(prefix.c_str());
        if (!platform::endsWithBackslash(full.data(), full.size())) full += '\\';
        fullPrefixKey = excludedKey(full);
    }

    int files = 0;
    {
        FileWalk walk(prefix, excluded, fullPrefixKey);
        std::string name;
        while (files < INT_MAX && walk.nextFile(&name)) ++files;
    }
    if (files == 0) return false;
    const int chosen = randomChoice(files);

    // The directory may have changed since it was counted: with fewer files
    // now, the last one found stands in for the one drawn.
    std::string picked;
    {
        FileWalk walk(prefix, excluded, fullPrefixKey);
        std::string name;
        for (int number = 0; number <= chosen && walk.nextFile(&name); ++number) picked = name;
    }
    if (picked.empty() || !platform::fitsPathBuffer(prefix + picked)) return false;
    std::memcpy(path, prefix.data(), prefix.size());
    std::memcpy(path + prefix.size(), picked.c_str(), picked.size() + 1);
    return true;
}
