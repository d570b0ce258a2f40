// The directory selection dialog (resource 112): a directory goes into the
// options dialog's image list as one entry, or as the files it holds.
#pragma once

#include <windows.h>

namespace ui {

// Runs the dialog over the options dialog, whose image list receives what the
// user adds; returns whether a directory was added (as an entry or its files).
bool addDirectoryFromDialog(HWND options);

}  // namespace ui

// Appends the files of a directory to the image list box of the options dialog,
// descending into subdirectories when recurse is 1 (otherwise each
// subdirectory becomes a directory entry of its own).
void scanDirectory(HWND options, const char* directory, int recurse);
