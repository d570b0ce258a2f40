#include "wallpaper/DirectoryPick.h"

#include <climits>
#include <cstring>
#include <memory>
#include <string>

#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "settings/ImageList.h"
#include "wallpaper/RandomChoice.h"

namespace {

// Walks the files of a search in the system's order: the first name is
// passed over unexamined, ".." and directories do not count.
class FileWalk {
public:
    explicit FileWalk(const std::string& pattern) : search_(platform::fileSystem().search(pattern.c_str())) {
        platform::FoundName first;
        if (search_ && !search_->next(&first)) search_.reset();
    }

    bool nextFile(std::string* name) {
        platform::FoundName found;
        while (search_ && search_->next(&found)) {
            if (found.name != ".." && !found.isDirectory) {
                *name = found.name;
                return true;
            }
        }
        return false;
    }

private:
    std::unique_ptr<platform::DirectorySearch> search_;
};

}  // namespace

bool pickFileInDirectory(char* path) {
    std::string prefix = path;
    if (!platform::endsWithBackslash(prefix.data(), prefix.size())) prefix += '\\';
    const std::string pattern = prefix + "*.*";
    if (pattern.size() >= kPathBufferSize) return false;

    int files = 0;
    {
        FileWalk walk(pattern);
        std::string name;
        while (files < INT_MAX && walk.nextFile(&name)) ++files;
    }
    if (files == 0) return false;
    const int chosen = randomChoice(files);

    // The directory may have changed since it was counted: with fewer files
    // now, the last one found stands in for the one drawn.
    std::string picked;
    {
        FileWalk walk(pattern);
        std::string name;
        for (int number = 0; number <= chosen && walk.nextFile(&name); ++number) picked = name;
    }
    if (picked.empty() || prefix.size() + picked.size() >= kPathBufferSize) return false;
    std::memcpy(path, prefix.data(), prefix.size());
    std::memcpy(path + prefix.size(), picked.c_str(), picked.size() + 1);
    return true;
}
