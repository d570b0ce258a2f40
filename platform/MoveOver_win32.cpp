#include <windows.h>

#include "platform/MoveOver.h"
#include "platform/Utf8.h"

namespace platform {

bool moveOver(const char* source, const char* target) {
    return MoveFileExW(widen(source).c_str(), widen(target).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

}  // namespace platform
