#include "platform/DirectoryWalk.h"

namespace platform {

DirectoryWalk::DirectoryWalk(const std::string& prefix) : search_(fileSystem().search((prefix + "*.*").c_str())) {
    FoundName first;
    started_ = search_ != nullptr && search_->next(&first);
    if (!started_) search_.reset();
}

bool DirectoryWalk::next(FoundName* found) {
    while (search_ && search_->next(found)) {
        if (found->name != "..") return true;
    }
    search_.reset();  // ended: the search is closed at once
    return false;
}

}  // namespace platform
