// The save-file dialog, through which the user chooses where the image list
// file and the temporary bitmap go. Tests install scripted answers with
// setSaveDialog().
#pragma once

#include <cstddef>

#include "platform/Seam.h"

namespace platform {

struct SaveDialogRequest {
    const char* filterDescription;  // e.g. "Bitmaps"
    const char* filterPattern;      // e.g. "*.bmp"
    const char* defaultExtension;   // appended to a name typed without one, e.g. "bmp"
};

class SaveDialog {
public:
    virtual ~SaveDialog() = default;
    // Shows the dialog, owned by the active window, starting from the name
    // in path (UTF-8, capacity bytes, NUL included; kUtf8PathBufferSize holds
    // any path). True with the chosen full path in path; false when the user
    // cancels.
    virtual bool ask(char* path, size_t capacity, const SaveDialogRequest& request) = 0;
};

// The platform's own: GetSaveFileNameW on Windows; natively always cancelled.
SaveDialog& defaultSaveDialog();

// Installs a dialog and returns the previous one; nullptr restores the
// default.
inline constexpr auto setSaveDialog = Seam<SaveDialog, defaultSaveDialog>::replace;

// Asks through the installed dialog, else the platform's own.
inline bool askSaveFileName(char* path, size_t capacity, const SaveDialogRequest& request) {
    return Seam<SaveDialog, defaultSaveDialog>::current().ask(path, capacity, request);
}

}  // namespace platform
