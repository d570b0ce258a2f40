#include <windows.h>

#include "platform/SameFile.h"
#include "platform/Utf8.h"

namespace platform {
namespace {

// The volume serial number and file index of an existing file (or folder),
// opened without access rights so that files open elsewhere still answer.
bool identify(const char* path, BY_HANDLE_FILE_INFORMATION* info) {
    HANDLE handle = CreateFileW(widen(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    const bool known = GetFileInformationByHandle(handle, info) != 0;
    CloseHandle(handle);
    return known;
}

}  // namespace

bool sameFile(const char* first, const char* second) {
    BY_HANDLE_FILE_INFORMATION a;
    BY_HANDLE_FILE_INFORMATION b;
    if (!identify(first, &a) || !identify(second, &b)) return false;
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
           a.nFileIndexLow == b.nFileIndexLow;
}

}  // namespace platform
