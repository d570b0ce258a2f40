// One changer per session: a second start would add a second timer and icon,
// both writing the same temporary bitmap. It hands over to the running copy
// instead, which brings its options dialog forward (or carries out the
// command-line switch given), and ends. When the
// object is there but no copy shows its window (one still ending, or another
// program's object of that name), this start runs as the one copy.
#include "app/Application.h"

namespace {

constexpr DWORD kFindTries = 50;   // the running copy may still be starting up
constexpr DWORD kFindPause = 100;  // milliseconds
// The running copy answers at once, also from inside a dialog or a question.
constexpr UINT kAnswerTimeout = 10000;  // milliseconds

// Held for the life of the process; the system releases it at exit.
HANDLE instanceMutex = nullptr;

}  // namespace

const UINT commandMessage = RegisterWindowMessageW(L"Quorvath.Vellumere.Command");

HandOver handOverToRunningInstance(Command command) {
    instanceMutex = CreateMutexW(nullptr, FALSE, L"Local\\Quorvath.Vellumere.Instance");
    if (instanceMutex == nullptr || GetLastError() != ERROR_ALREADY_EXISTS) return HandOver::NoCopy;
    for (DWORD tries = 0; tries < kFindTries; ++tries) {
        HWND running = FindWindowW(kTrayWindowClass, kTrayWindowTitle);
        if (running != nullptr) {
            // We were started by the user, so we may pass the foreground on.
            DWORD process = 0;
            GetWindowThreadProcessId(running, &process);
            AllowSetForegroundWindow(process);
            DWORD_PTR answer = 0;
            const LRESULT sent = SendMessageTimeoutW(running, commandMessage, static_cast<WPARAM>(command), 0,
                                                     SMTO_ABORTIFHUNG, kAnswerTimeout, &answer);
            return sent != 0 && answer == static_cast<DWORD_PTR>(kCommandTaken) ? HandOver::Delivered
                                                                                : HandOver::NoAnswer;
        }
        Sleep(kFindPause);
    }
    // A running copy creates its window right after the object, so none
    // after this long is ending or was never ours: ending here would leave the
    // user with no program and not a word why. The handle kept keeps the
    // object, so later starts find this copy.
    return HandOver::NoCopy;
}
