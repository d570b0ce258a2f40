#include "platform/PathText.h"

namespace platform {

bool endsWithBackslash(const char* text, std::size_t length) {
    return length > 0 && text[length - 1] == '\\';
}

std::size_t fileNameStart(const char* text, std::size_t length) {
    std::size_t start = 0;
    for (std::size_t at = 0; at < length; ++at) {
        const char c = text[at];
        if (c == '\\' || c == '/' || c == ':') start = at + 1;
    }
    return start;
}

}  // namespace platform
