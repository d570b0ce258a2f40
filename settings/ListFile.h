// The image list file: where the settings store keeps a text too long for
// the registry. Reading it and the form of its bytes are all this file does;
// where a text goes, and when, is the store's decision.
//
// The text is UTF-8 inside the program. A file that starts with the UTF-8
// byte-order mark holds UTF-8; one without it holds the ANSI code page, as
// every file of earlier versions does. A text is written in the ANSI code
// page when each of its characters has a form there, so earlier versions
// can still read it, and as UTF-8 after the mark otherwise.
#pragma once

#include <memory>
#include <string>
#include <string_view>

// Reads the whole file as text; reports its own failures and yields null.
std::unique_ptr<char[]> readListFile(const char* path);

// The text a list file's bytes hold. Throws std::bad_alloc.
std::string listFileText(std::string_view bytes);

// The bytes a list file holds for text. Throws std::bad_alloc.
std::string listFileBytes(std::string_view text);
