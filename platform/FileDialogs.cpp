#include "platform/FileDialogs.h"

namespace platform {
namespace {

SaveDialog* installedDialog = nullptr;

}  // namespace

bool askSaveFileName(char* path, size_t capacity, const SaveDialogRequest& request) {
    SaveDialog& dialog = installedDialog ? *installedDialog : defaultSaveDialog();
    return dialog.ask(path, capacity, request);
}

SaveDialog* setSaveDialog(SaveDialog* replacement) {
    SaveDialog* previous = installedDialog;
    installedDialog = replacement;
    return previous;
}

}  // namespace platform
