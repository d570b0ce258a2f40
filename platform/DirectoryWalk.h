// The one way the program walks a directory: the names a search of
// "<directory>\*.*" yields, in the system's own order, through fileSystem().
// The first name is passed over unexamined (outside a drive's root it is
// the directory's own "."), and ".." is never given.
#pragma once

#include <memory>
#include <string>

#include "platform/FileSystem.h"

namespace platform {

class DirectoryWalk {
public:
    // prefix: the directory followed by its backslash.
    explicit DirectoryWalk(const std::string& prefix);

    // False when the directory could not be searched at all.
    bool started() const { return started_; }
    // The next name; false when there are no more.
    bool next(FoundName* found);

private:
    std::unique_ptr<DirectorySearch> search_;
    bool started_ = false;
};

}  // namespace platform
