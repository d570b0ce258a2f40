#include <cstdio>

#include "platform/MoveOver.h"

namespace platform {

bool moveOver(const char* source, const char* target) {
    return std::rename(source, target) == 0;
}

}  // namespace platform
