#include "platform/CodePage.h"

namespace platform {

bool endsWithBackslash(const char* text, std::size_t length) {
    // A trail byte cannot be told from a single-byte character by itself, so
    // walk from the start: the last character starts where the walk stops.
    const CodePage& codePage = Seam<CodePage, defaultCodePage>::current();
    std::size_t last = length;
    for (std::size_t at = 0; at < length;) {
        last = at;
        const bool twoBytes = codePage.isLeadByte(static_cast<unsigned char>(text[at])) && at + 1 < length;
        at += twoBytes ? 2 : 1;
    }
    return last < length && last + 1 == length && text[last] == '\\';
}

std::size_t fileNameStart(const char* text, std::size_t length) {
    const CodePage& codePage = Seam<CodePage, defaultCodePage>::current();
    std::size_t start = 0;
    for (std::size_t at = 0; at < length;) {
        if (codePage.isLeadByte(static_cast<unsigned char>(text[at])) && at + 1 < length) {
            at += 2;
            continue;
        }
        const char c = text[at++];
        if (c == '\\' || c == '/' || c == ':') start = at;
    }
    return start;
}

}  // namespace platform
