// Paths are 8-bit text in the system's ANSI code page. In the Japanese,
// Chinese and Korean code pages a character may take two bytes, and the
// second may be 0x5C, the backslash: paths must be stepped through by
// character, never searched byte by byte for a separator. Tests install a
// double-byte code page with setCodePage().
#pragma once

#include <cstddef>

#include "platform/Seam.h"

namespace platform {

class CodePage {
public:
    virtual ~CodePage() = default;
    // Whether the byte starts a two-byte character.
    virtual bool isLeadByte(unsigned char byte) const = 0;
};

// The system's: IsDBCSLeadByte on Windows; single-byte elsewhere.
CodePage& defaultCodePage();

// Installs a code page and returns the previous one; nullptr restores the
// system's.
inline constexpr auto setCodePage = Seam<CodePage, defaultCodePage>::replace;

// Whether the last character of the first `length` bytes of `text` is a
// backslash (and not the second byte of a two-byte character).
bool endsWithBackslash(const char* text, std::size_t length);

// Where the file name of a path begins: just after its last separator (a
// backslash, a slash or a drive's colon that is a whole character), or 0.
std::size_t fileNameStart(const char* text, std::size_t length);

}  // namespace platform
