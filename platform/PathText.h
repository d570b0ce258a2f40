// Separators in paths. Paths are UTF-8, where every byte of a multibyte
// character is 0x80 or above: a byte that reads as a backslash, a slash or a
// colon is always that character, so paths are searched byte by byte.
#pragma once

#include <cstddef>

namespace platform {

// Whether the first `length` bytes of `text` end with a backslash.
bool endsWithBackslash(const char* text, std::size_t length);

// Where the file name of a path begins: just after its last separator (a
// backslash, a slash or a drive's colon), or 0.
std::size_t fileNameStart(const char* text, std::size_t length);

}  // namespace platform
