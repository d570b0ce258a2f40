#include <stdio.h>

#include "platform/OpenFile.h"
#include "platform/Utf8.h"

namespace platform {

std::FILE* openFile(const char* path, const char* mode) {
    return _wfopen(widen(path).c_str(), widen(mode).c_str());
}

bool removeFile(const char* path) {
    return _wremove(widen(path).c_str()) == 0;
}

}  // namespace platform
