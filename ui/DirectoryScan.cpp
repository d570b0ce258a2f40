// Adding the contents of a directory to the options dialog's image list.
#include "ui/DirectoryDialog.h"

#include <cstring>
#include <string>

#include "ui/DirectoryDialog_logic.h"
#include "ui/OptionsDialog.h"

void scanDirectory(HWND options, const char* directory, int recurse) {
    const std::string prefix = ui::directoryPrefix(directory);
    const std::string pattern = prefix + "*.*";
    WIN32_FIND_DATAA match;
    HANDLE search = ui::fitsPathBuffer(pattern) ? FindFirstFileA(pattern.c_str(), &match) : INVALID_HANDLE_VALUE;
    if (search == INVALID_HANDLE_VALUE) {
        MessageBoxA(GetActiveWindow(), "Unable to scan directory.", directory, MB_ICONWARNING);
        return;
    }
    // The first match is the directory's own "." entry (outside a drive root).
    while (FindNextFileA(search, &match)) {
        if (std::strcmp(match.cFileName, "..") == 0) continue;
        const std::string path = prefix + match.cFileName;
        // A path that the program's buffers cannot hold could never be used.
        if (!ui::fitsPathBuffer(path)) continue;
        if ((match.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && recurse == 1) {
            scanDirectory(options, path.c_str(), recurse);
        } else {
            appendImageListLine(options, path.c_str());
        }
    }
    FindClose(search);
}
