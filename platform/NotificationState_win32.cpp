#include "platform/NotificationState.h"

#include <windows.h>

namespace platform {
namespace {

// The shell's answer (QUERY_USER_NOTIFICATION_STATE); the call came with
// Windows Vista, so it is looked up rather than linked.
enum : int {
    kBusy = 2,                // QUNS_BUSY: a full-screen program
    kDirect3DFullScreen = 3,  // QUNS_RUNNING_D3D_FULL_SCREEN
    kPresentationMode = 4,    // QUNS_PRESENTATION_MODE
};
using QueryState = HRESULT(WINAPI*)(int*);

class ShellNotificationState : public NotificationState {
public:
    bool fullScreenProgramRuns() override {
        const QueryState query = lookUp();
        if (query == nullptr) return false;
        int state = 0;
        if (FAILED(query(&state))) return false;
        return state == kBusy || state == kDirect3DFullScreen || state == kPresentationMode;
    }

private:
    static QueryState lookUp() {
        static const QueryState query = [] {
            HMODULE shell = GetModuleHandleW(L"shell32.dll");
            if (shell == nullptr) shell = LoadLibraryW(L"shell32.dll");
            return shell == nullptr ? nullptr
                                    : reinterpret_cast<QueryState>(reinterpret_cast<void (*)()>(
                                          GetProcAddress(shell, "SHQueryUserNotificationState")));
        }();
        return query;
    }
};

}  // namespace

NotificationState& defaultNotificationState() {
    static ShellNotificationState shell;
    return shell;
}

}  // namespace platform
