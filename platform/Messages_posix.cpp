#include <cstdio>

#include "platform/Messages.h"

namespace platform {

void writeStandardError(const std::string& text) {
    std::fputs(text.c_str(), stderr);
    std::fflush(stderr);
}

MessageSink& defaultMessageSink() {
    return standardErrorSink();
}

}  // namespace platform
