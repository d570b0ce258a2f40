// Adding the contents of a directory to the options dialog's image list.
#include "ui/DirectoryDialog.h"

#include <string>

#include "ui/DirectoryDialog_logic.h"
#include "ui/ImageListBox.h"

void scanDirectory(HWND options, const char* directory, int recurse) {
    ui::scanDirectory(
        directory, recurse == 1, [&](const std::string& path) { ui::appendImageListLine(options, path.c_str()); },
        [](const std::string& unreadable) {
            MessageBoxA(GetActiveWindow(), "Unable to scan directory.", unreadable.c_str(), MB_ICONWARNING);
        });
}
