#include <windows.h>

#include "platform/MoveOver.h"

namespace platform {

bool moveOver(const char* source, const char* target) {
    return MoveFileExA(source, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

}  // namespace platform
