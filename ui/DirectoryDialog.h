// The directory selection dialog (resource 112): a directory goes into the
// options dialog's image list as one entry, or as the files it holds.
#pragma once

#include <windows.h>

namespace ui {

// Runs the dialog over the options dialog, whose image list receives what the
// user adds; returns whether a directory was added (as an entry or its files).
bool addDirectoryFromDialog(HWND options);

}  // namespace ui
