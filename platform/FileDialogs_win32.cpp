#include <windows.h>
#include <commdlg.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/FileDialogs.h"
#include "platform/PathBuffer.h"
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

        // The path comes and goes in UTF-8; the dialog holds it in UTF-16, at
        // most as long as the program's paths.
        const size_t units = capacity < kPathBufferSize ? capacity : kPathBufferSize;
        std::vector<wchar_t> name(units, L'\0');
        const std::wstring start = widen(std::string(path, strnlen(path, capacity - 1)));
        if (start.size() < units) std::memcpy(name.data(), start.c_str(), start.size() * sizeof(wchar_t));

        OPENFILENAMEW dialog = {};
        dialog.lStructSize = sizeof dialog;
        dialog.hwndOwner = GetActiveWindow();
        dialog.hInstance = GetModuleHandleW(nullptr);  // the program's instance
        dialog.lpstrFilter = filter.c_str();
        dialog.lpstrFile = name.data();
        dialog.nMaxFile = static_cast<DWORD>(units);
        dialog.lpstrDefExt = extension.c_str();
        dialog.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
        if (GetSaveFileNameW(&dialog) == 0) return false;
        // A caller's buffer smaller than the longest path may not hold it.
        const std::string chosen = narrow(name.data());
        if (chosen.size() >= capacity) return false;
        std::memcpy(path, chosen.c_str(), chosen.size() + 1);
        return true;
    }
};

}  // namespace

SaveDialog& defaultSaveDialog() {
    static Win32SaveDialog dialog;
    return dialog;
}

}  // namespace platform
