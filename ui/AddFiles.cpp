// Adding picture files to the options dialog's image list.
#include "ui/AddFiles.h"

#include <commdlg.h>
#include <shellapi.h>

#include "platform/Messages.h"
#include "platform/PathBuffer.h"
#include "ui/ImageListBox.h"
#include "ui/OptionsDialogWindowless.h"

namespace {

constexpr DWORD kFileBuffer = DWORD(platform::kPathBufferSize);

// Description and pattern pairs, the list ending with an empty pair.
const char kPictureFilter[] =
    "All formats\0*.bmp;*.pcx;*.gif;*.jpg;*.jpeg;*.jpe;*.png;*.ras;*.ppm;*.qrt\0"
    "Graphics Interchange Format (.gif)\0*.gif\0"
    "JPEG (.jpg;.jpe;.jpeg)\0*.jpg;*.jpe;*.jpeg\0"
    "POVRay (.qrt)\0*.qrt\0"
    "Portable Pixelmap (.ppm)\0*.ppm\0"
    "Portable Network Graphics (.png)\0*.png\0"
    "Sun Raster (.ras)\0*.ras\0"
    "Windows Bitmap (.bmp)\0*.bmp\0"
    "ZSoft Pcx (.pcx)\0*.pcx\0"
    "All Files (*.*)\0*.*\0";

}  // namespace

namespace ui {

bool addFilesFromDialog(HWND options) {
    char files[kFileBuffer] = {};
    OPENFILENAMEA dialog{};
    dialog.lStructSize = OPENFILENAME_SIZE_VERSION_400A;  // 76 bytes: the form without the Windows 2000 fields
    dialog.hwndOwner = options;
    dialog.lpstrFilter = kPictureFilter;
    dialog.lpstrFile = files;
    dialog.nMaxFile = kFileBuffer;
    dialog.lpstrTitle = "Select picture files";
    dialog.Flags = OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_HIDEREADONLY;
    if (GetOpenFileNameA(&dialog) != 1) return false;

    for (const std::string& path : selectedFiles(files, sizeof files, dialog.nFileOffset)) {
        appendImageListLine(options, path.c_str());
    }
    return true;
}

bool addDroppedFiles(HWND options, HDROP drop) {
    const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT index = 0; index < count; ++index) {
        char name[kFileBuffer];
        // A name that does not fit would come back cut short: ask for its length first.
        const UINT needed = DragQueryFileA(drop, index, nullptr, 0);
        const UINT copied = needed < kFileBuffer ? DragQueryFileA(drop, index, name, kFileBuffer) : 0;
        if (copied != 0) {
            appendImageListLine(options, name);
        } else {
            MessageBoxA(options, "Buffer not big enough for drop and drag add.", platform::kErrorCaption, MB_OK);
        }
    }
    DragFinish(drop);
    return count != 0;
}

}  // namespace ui
