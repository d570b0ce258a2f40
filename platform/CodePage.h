// The system's ANSI code page, for the text that still comes in it: image
// list files (and their shuffle round files) written by earlier versions,
// which held every path in that code page. Inside the program text is UTF-8;
// these convert a whole file at once where it is read or written. Tests
// install a code page with setCodePage().
#pragma once

#include <string>
#include <string_view>

#include "platform/PathText.h"  // the path helpers used to live here
#include "platform/Seam.h"

namespace platform {

class CodePage {
public:
    virtual ~CodePage() = default;
    // The UTF-8 form of text in the code page.
    virtual std::string toUtf8(std::string_view ansi) const = 0;
    // The code page's form of UTF-8 text; false when a character has none
    // that reads back as the same character.
    virtual bool fromUtf8(std::string_view utf8, std::string* ansi) const = 0;
};

// The system's: MultiByteToWideChar and WideCharToMultiByte with CP_ACP on
// Windows; natively ISO 8859-1, whose bytes are the first 256 code points.
CodePage& defaultCodePage();

// The code page in use: the installed one, else the system's.
inline constexpr auto codePage = Seam<CodePage, defaultCodePage>::current;

// Installs a code page and returns the previous one; nullptr restores the
// system's.
inline constexpr auto setCodePage = Seam<CodePage, defaultCodePage>::replace;

}  // namespace platform
