#include "platform/FileDialogs.h"

#include "platform/Seam.h"

namespace platform {

using SaveDialogSeam = Seam<SaveDialog, defaultSaveDialog>;

bool askSaveFileName(char* path, size_t capacity, const SaveDialogRequest& request) {
    return SaveDialogSeam::current().ask(path, capacity, request);
}

SaveDialog* setSaveDialog(SaveDialog* replacement) {
    return SaveDialogSeam::replace(replacement);
}

}  // namespace platform
