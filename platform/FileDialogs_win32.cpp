#include <windows.h>
#include <commdlg.h>

#include <string>

#include "platform/FileDialogs.h"

namespace platform {
namespace {

class Win32SaveDialog : public SaveDialog {
public:
    bool ask(char* path, size_t capacity, const SaveDialogRequest& request) override {
        // One filter pair: description NUL pattern NUL, then the closing NUL.
        std::string filter = request.filterDescription;
        filter += '\0';
        filter += request.filterPattern;
        filter += '\0';

        OPENFILENAMEA dialog = {};
        dialog.lStructSize = sizeof dialog;
        dialog.hwndOwner = GetActiveWindow();
        dialog.hInstance = GetModuleHandleA(nullptr);  // the program's instance
        dialog.lpstrFilter = filter.c_str();
        dialog.lpstrFile = path;
        dialog.nMaxFile = capacity > MAXDWORD ? MAXDWORD : static_cast<DWORD>(capacity);
        dialog.lpstrDefExt = request.defaultExtension;
        dialog.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
        return GetSaveFileNameA(&dialog) != 0;
    }
};

}  // namespace

SaveDialog& defaultSaveDialog() {
    static Win32SaveDialog dialog;
    return dialog;
}

}  // namespace platform
