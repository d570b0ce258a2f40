// The image list file: where the settings store keeps a text too long for
// the registry. Reading it is all this file does; where a text goes, and
// when, is the store's decision.
#pragma once

#include <memory>

// Reads the whole file as text; reports its own failures and yields null.
std::unique_ptr<char[]> readListFile(const char* path);
