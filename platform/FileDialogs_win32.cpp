#include <windows.h>
#include <commdlg.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/FileDialogs.h"
#include "platform/Messages.h"
#include "platform/Utf8.h"

namespace platform {
namespace {

class Win32SaveDialog : public SaveDialog {
public:
    bool ask(char* path, size_t capacity, const SaveDialogRequest& request) override {
        if (capacity == 0) return false;
        // One filter pair: description NUL pattern NUL, then the closing NUL.
        std::wstring filter = widen(request.filterDescription);
        filter += L'\0';
        filter += widen(request.filterPattern);
        filter += L'\0';
        const std::wstring extension = widen(request.defaultExtension);

        // The path comes and goes in UTF-8; the dialog works in UTF-16, which
        // never takes more units than UTF-8 takes bytes.
        std::vector<wchar_t> name(capacity, L'\0');
        const std::wstring start = widen(std::string(path, strnlen(path, capacity - 1)));
        std::memcpy(name.data(), start.c_str(),
                    (start.size() < capacity ? start.size() : capacity - 1) * sizeof(wchar_t));

        OPENFILENAMEW dialog = {};
        dialog.lStructSize = sizeof dialog;
        dialog.hwndOwner = GetActiveWindow();
        dialog.hInstance = GetModuleHandleW(nullptr);  // the program's instance
        dialog.lpstrFilter = filter.c_str();
        dialog.lpstrFile = name.data();
        dialog.nMaxFile = capacity > MAXDWORD ? MAXDWORD : static_cast<DWORD>(capacity);
        dialog.lpstrDefExt = extension.c_str();
        dialog.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
        for (;;) {
            if (GetSaveFileNameW(&dialog) == 0) return false;
            const std::string chosen = narrow(name.data());
            if (chosen.size() < capacity) {
                std::memcpy(path, chosen.c_str(), chosen.size() + 1);
                return true;
            }
            // Longer in UTF-8 than the program's buffers hold: ask again.
            showMessage("The path is too long: choose a shorter one.", kErrorCaption, kMbIconWarning);
        }
    }
};

}  // namespace

SaveDialog& defaultSaveDialog() {
    static Win32SaveDialog dialog;
    return dialog;
}

}  // namespace platform
