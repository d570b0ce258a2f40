// Adding picture files to the options dialog's image list.
#include "ui/AddFiles.h"

#include <commdlg.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "platform/Messages.h"
#include "platform/PathBuffer.h"
#include "platform/Utf8.h"
#include "ui/DirectoryDialogWindowless.h"
#include "ui/ImageListBox.h"
#include "ui/OptionsDialogWindowless.h"

namespace {

constexpr DWORD kFileBuffer = DWORD(platform::kPathBufferSize);
// A multiple selection comes back as the directory and every name in one
// buffer: room for some hundred pictures of long names. The dialog reports a
// larger selection (in the buffer's first word) rather than cutting it short.
constexpr DWORD kSelectionBuffer = 0xFFFF;

// Description and pattern pairs, the list ending with an empty pair.
const wchar_t kPictureFilter[] =
    L"All formats\0*.bmp;*.pcx;*.gif;*.jpg;*.jpeg;*.jpe;*.png;*.ras;*.ppm;*.qrt\0"
    L"Graphics Interchange Format (.gif)\0*.gif\0"
    L"JPEG (.jpg;.jpe;.jpeg)\0*.jpg;*.jpe;*.jpeg\0"
    L"POVRay (.qrt)\0*.qrt\0"
    L"Portable Pixelmap (.ppm)\0*.ppm\0"
    L"Portable Network Graphics (.png)\0*.png\0"
    L"Sun Raster (.ras)\0*.ras\0"
    L"Windows Bitmap (.bmp)\0*.bmp\0"
    L"ZSoft Pcx (.pcx)\0*.pcx\0"
    L"All Files (*.*)\0*.*\0";

}  // namespace

namespace ui {

bool addFilesFromDialog(HWND options) {
    std::vector<wchar_t> files(kSelectionBuffer, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = OPENFILENAME_SIZE_VERSION_400W;  // 76 bytes: the form without the Windows 2000 fields
    dialog.hwndOwner = options;
    dialog.lpstrFilter = kPictureFilter;
    dialog.lpstrFile = files.data();
    dialog.nMaxFile = kSelectionBuffer;
    dialog.lpstrTitle = L"Select picture files";
    dialog.Flags = OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_HIDEREADONLY;
    if (GetOpenFileNameW(&dialog) != 1) {
        if (CommDlgExtendedError() == FNERR_BUFFERTOOSMALL) {
            MessageBoxW(options, L"Too many files were selected at once: add them in smaller groups.",
                        platform::widen(platform::kErrorCaption).c_str(), MB_ICONWARNING);
        }
        return false;
    }

    for (const std::wstring& path : selectedFiles(files.data(), files.size(), dialog.nFileOffset)) {
        // As in a directory's listing, a path the program's buffers cannot
        // hold (in UTF-8) is left out.
        const std::string line = platform::narrow(path);
        if (fitsPathBuffer(line)) appendImageListLine(options, line.c_str());
    }
    return true;
}

bool addDroppedFiles(HWND options, HDROP drop) {
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT index = 0; index < count; ++index) {
        wchar_t name[kFileBuffer];
        // A name that does not fit would come back cut short: ask for its length first.
        const UINT needed = DragQueryFileW(drop, index, nullptr, 0);
        const UINT copied = needed < kFileBuffer ? DragQueryFileW(drop, index, name, kFileBuffer) : 0;
        if (copied != 0) {
            appendImageListLine(options, platform::narrow({name, copied}).c_str());
        } else {
            MessageBoxW(options, L"Buffer not big enough for drop and drag add.",
                        platform::widen(platform::kErrorCaption).c_str(), MB_OK);
        }
    }
    DragFinish(drop);
    return count != 0;
}

}  // namespace ui
