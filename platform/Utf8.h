// Text inside the program is UTF-8; the system's wide calls take UTF-16.
// These two convert at that boundary, and nowhere else: the list scan and
// every other per-entry loop work on the UTF-8 bytes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// UTF-8 to UTF-16. A byte that does not begin a well-formed sequence (a
// stray continuation, an overlong form, a surrogate, a cut-off sequence)
// becomes U+FFFD, so nothing is silently dropped.
std::wstring widen(std::string_view utf8);

// UTF-16 to UTF-8. An unpaired surrogate (which NTFS names may hold) becomes
// U+FFFD.
std::string narrow(std::wstring_view utf16);

// The number of UTF-16 code units widen() would give.
std::size_t utf16Length(std::string_view utf8);

// The length in bytes of the longest start of utf8 that widens to at most
// `units` UTF-16 code units; it never ends inside a character.
std::size_t utf8PrefixWithin(std::string_view utf8, std::size_t units);

}  // namespace platform
