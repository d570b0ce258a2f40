// Choosing one file of a directory entry at random.
#pragma once

// path holds a directory (platform::kUtf8PathBufferSize bytes, NUL included). Replaces it
// by the full path of a randomly drawn file of the directory: not "..", not a
// subdirectory, and not the first name the search yields (in any directory
// but a drive's root that is "."). False, with path unchanged, when the
// directory has no such file or the file's path does not fit.
bool pickFileInDirectory(char* path);
