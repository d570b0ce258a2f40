// One changer per session: a second start would add a second timer and icon,
// both writing the same temporary bitmap. It hands over to the running copy
// instead, which brings its options dialog forward, and ends. When the
// object is there but no copy shows its window (one still ending, or another
// program's object of that name), this start runs as the one copy.
#include "app/Application.h"

namespace {

constexpr DWORD kFindTries = 50;   // the running copy may still be starting up
constexpr DWORD kFindPause = 100;  // milliseconds

// Held for the life of the process; the system releases it at exit.
HANDLE instanceMutex = nullptr;

}  // namespace

const UINT showOptionsMessage = RegisterWindowMessageW(L"Quorvath.Vellumere.ShowOptions");

bool handOverToRunningInstance() {
    instanceMutex = CreateMutexW(nullptr, FALSE, L"Local\\Quorvath.Vellumere.Instance");
    if (instanceMutex == nullptr || GetLastError() != ERROR_ALREADY_EXISTS) return false;
    for (DWORD tries = 0; tries < kFindTries; ++tries) {
        HWND running = FindWindowW(kTrayWindowClass, kTrayWindowTitle);
        if (running != nullptr) {
            // We were started by the user, so we may pass the foreground on.
            DWORD process = 0;
            GetWindowThreadProcessId(running, &process);
            AllowSetForegroundWindow(process);
            PostMessageW(running, showOptionsMessage, 0, 0);
            return true;
        }
        Sleep(kFindPause);
    }
    // A running copy creates its window right after the object, so none
    // after this long is ending or was never ours: ending here would leave the
    // user with no program and not a word why. The handle kept keeps the
    // object, so later starts find this copy.
    return false;
}
