// The size of the program's path buffers, which every part of the program
// holds paths and image list entries in.
//
// A path or entry is at most 1299 characters long, counted as the system
// counts them: in UTF-16 code units, as its wide path buffers hold them. The
// program keeps the same text as UTF-8, which spends up to three bytes on a
// code unit (four on a surrogate pair, which is two units), so its byte
// buffers hold the longest path in UTF-8: an entry that fitted in the ANSI
// code page (one unit for each of its one- or two-byte characters) fits too.
// Whether a path fits is asked of fitsPathBuffer(), never of its bytes.
#pragma once

#include <cstddef>
#include <string_view>

#include "platform/Utf8.h"

namespace platform {

constexpr std::size_t kPathBufferSize = 1300;                               // UTF-16 units, NUL included
constexpr std::size_t kUtf8PathBufferSize = 3 * (kPathBufferSize - 1) + 1;  // UTF-8 bytes, NUL included

// Whether a UTF-8 path is short enough for the path buffers.
inline bool fitsPathBuffer(std::string_view path) {
    return utf16Length(path) < kPathBufferSize;
}

// The number of bytes at the start of a UTF-8 path that fit in a path
// buffer, never ending inside a character.
inline std::size_t fittingPathLength(std::string_view path) {
    return utf8PrefixWithin(path, kPathBufferSize - 1);
}

}  // namespace platform
