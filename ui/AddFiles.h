// Adding picture files to the options dialog's image list: through the file
// dialog, and by dropping files and directories onto the dialog.
#pragma once

#include <windows.h>

namespace ui {

// Runs the open dialog; returns whether the user confirmed a selection (which
// is then appended to the list).
bool addFilesFromDialog(HWND options);
// Appends every dropped name; returns whether any name was dropped.
bool addDroppedFiles(HWND options, HDROP drop);

}  // namespace ui
