// The notification-area icon. It must come back whenever the taskbar does:
// when Explorer restarts it broadcasts "TaskbarCreated", and at logon the
// program may start before the taskbar exists, so a failed first add is
// retried for a while before the user is told.
#include "app/Application.h"

#include <shellapi.h>

#include <cstring>

#include "platform/Messages.h"
#include "resources/resource.h"

namespace {

constexpr UINT_PTR kIconRetryTimer = 1;   // timer 0 is the update timer
constexpr UINT kIconRetryPeriod = 2000;   // milliseconds
constexpr int kIconRetries = 150;         // five minutes, then the user is told

bool iconShown = false;
int retriesLeft = 0;

NOTIFYICONDATAA iconRecord() {
    NOTIFYICONDATAA icon{};
    icon.cbSize = NOTIFYICONDATAA_V1_SIZE;  // the 88-byte form
    icon.hWnd = trayWindow;
    icon.uID = 0;
    return icon;
}

bool addIcon() {
    NOTIFYICONDATAA icon = iconRecord();
    icon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    icon.uCallbackMessage = kTrayCallbackMessage;
    // The notification area shows small icons: take the image drawn for that
    // size (16, 20 or 24 pixels with the display's scale) rather than a
    // shrunken 32-pixel one.
    icon.hIcon = static_cast<HICON>(LoadImageA(appInstance, MAKEINTRESOURCEA(IDI_VELLUMERE), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    if (icon.hIcon == nullptr) icon.hIcon = LoadIconA(appInstance, MAKEINTRESOURCEA(IDI_VELLUMERE));
    std::strcpy(icon.szTip, "Vellumere");
    iconShown = Shell_NotifyIconA(NIM_ADD, &icon) == 1;
    return iconShown;
}

void reportMissingIcon() {
    MessageBoxA(trayWindow, "Unable to add status icon.", platform::kErrorCaption, MB_ICONWARNING);
}

}  // namespace

const UINT taskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");

void showTrayIcon() {
    if (addIcon()) return;
    retriesLeft = kIconRetries;
    if (SetTimer(trayWindow, kIconRetryTimer, kIconRetryPeriod, nullptr) == 0) reportMissingIcon();
}

void onTaskbarCreated() {
    // A new taskbar holds no icons: add ours again (it was lost with the old one).
    addIcon();
}

bool onIconRetryTimer(UINT_PTR timer) {
    if (timer != kIconRetryTimer) return false;
    if (iconShown || addIcon()) {
        KillTimer(trayWindow, kIconRetryTimer);
    } else if (--retriesLeft <= 0) {
        KillTimer(trayWindow, kIconRetryTimer);
        reportMissingIcon();  // the program runs on; "TaskbarCreated" may still bring it back
    }
    return true;
}

void removeTrayIcon() {
    KillTimer(trayWindow, kIconRetryTimer);
    if (!iconShown) return;
    NOTIFYICONDATAA removal = iconRecord();
    Shell_NotifyIconA(NIM_DELETE, &removal);
    iconShown = false;
}
