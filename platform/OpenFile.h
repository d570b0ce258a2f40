// Files by path for the C library's streams, which the picture libraries
// read and the writer writes: paths are UTF-8, which the C library's own
// fopen and remove on Windows would take for the ANSI code page.
#pragma once

#include <cstdio>

namespace platform {

// fopen of a UTF-8 path: _wfopen on Windows. Null when it cannot be opened.
std::FILE* openFile(const char* path, const char* mode);

// Deletes the file; false when it could not be deleted.
bool removeFile(const char* path);

}  // namespace platform
