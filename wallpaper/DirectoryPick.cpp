#include "wallpaper/DirectoryPick.h"

#include <climits>
#include <cstring>
#include <memory>
#include <string>

#include "platform/DirectoryWalk.h"
#include "platform/PathBuffer.h"
#include "platform/PathText.h"
#include "wallpaper/RandomChoice.h"

namespace {

// The files of a directory, in the system's order: subdirectories do not count.
class FileWalk {
public:
    explicit FileWalk(const std::string& prefix) : walk_(prefix) {}

    bool nextFile(std::string* name) {
        platform::FoundName found;
        while (walk_.next(&found)) {
            if (!found.isDirectory) {
                *name = found.name;
                return true;
            }
        }
        return false;
    }

private:
    platform::DirectoryWalk walk_;
};

}  // namespace

bool pickFileInDirectory(char* path) {
    std::string prefix = path;
    if (!platform::endsWithBackslash(prefix.data(), prefix.size())) prefix += '\\';
    if (!platform::fitsPathBuffer(prefix + "*.*")) return false;  // no search pattern fits

    int files = 0;
    {
        FileWalk walk(prefix);
        std::string name;
        while (files < INT_MAX && walk.nextFile(&name)) ++files;
    }
    if (files == 0) return false;
    const int chosen = randomChoice(files);

    // The directory may have changed since it was counted: with fewer files
    // now, the last one found stands in for the one drawn.
    std::string picked;
    {
        FileWalk walk(prefix);
        std::string name;
        for (int number = 0; number <= chosen && walk.nextFile(&name); ++number) picked = name;
    }
    if (picked.empty() || !platform::fitsPathBuffer(prefix + picked)) return false;
    std::memcpy(path, prefix.data(), prefix.size());
    std::memcpy(path + prefix.size(), picked.c_str(), picked.size() + 1);
    return true;
}
