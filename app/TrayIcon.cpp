// The notification-area icon. It must come back whenever the taskbar does:
// when Explorer restarts it broadcasts "TaskbarCreated", and at logon the
// program may start before the taskbar exists, so a failed first add is
// retried for a while before the user is told.
#include "app/Application.h"

#include <shellapi.h>

#include <cwchar>

#include "platform/Messages.h"
#include "platform/Utf8.h"
#include "resources/resource.h"

namespace {

constexpr UINT_PTR kIconRetryTimer = 1;  // timer 0 is the update timer
constexpr UINT kIconRetryPeriod = 2000;  // milliseconds
constexpr int kIconRetries = 150;        // five minutes, then the user is told

bool iconShown = false;
int retriesLeft = 0;
// Loaded once, at the first add, and kept for every later one; owned (and
// destroyed at the end) only when loaded at the small size.
HICON iconImage = nullptr;
bool iconImageOwned = false;

NOTIFYICONDATAW iconRecord() {
    NOTIFYICONDATAW icon{};
    icon.cbSize = NOTIFYICONDATAW_V1_SIZE;  // the 152-byte form, the oldest the shell takes
    icon.hWnd = trayWindow;
    icon.uID = 0;
    return icon;
}

HICON trayImage() {
    if (iconImage != nullptr) return iconImage;
    // The notification area shows small icons: take the image drawn for that
    // size (16, 20 or 24 pixels with the display's scale) rather than a
    // shrunken 32-pixel one.
    iconImage = static_cast<HICON>(LoadImageW(appInstance, MAKEINTRESOURCEW(IDI_VELLUMERE), IMAGE_ICON,
                                              GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    iconImageOwned = iconImage != nullptr;
    if (iconImage == nullptr) iconImage = LoadIconW(appInstance, MAKEINTRESOURCEW(IDI_VELLUMERE));
    return iconImage;
}

// Puts the icon on the taskbar. An icon that is there already (the taskbar
// was not new: another program broadcast "TaskbarCreated") makes the add
// fail; it is then brought up to date and counts as shown, so that it is
// still removed at the end.
bool placeIcon() {
    NOTIFYICONDATAW icon = iconRecord();
    icon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    icon.uCallbackMessage = kTrayCallbackMessage;
    icon.hIcon = trayImage();
    std::wcscpy(icon.szTip, L"Vellumere");
    if (Shell_NotifyIconW(NIM_ADD, &icon) == 1 || Shell_NotifyIconW(NIM_MODIFY, &icon) != FALSE) iconShown = true;
    return iconShown;
}

void reportMissingIcon() {
    MessageBoxW(trayWindow, L"Unable to add status icon.", platform::widen(platform::kErrorCaption).c_str(),
                MB_ICONWARNING);
}

// The taskbar is not ready for icons yet (at logon, or just after Explorer
// restarted): try again for a while, then tell the user.
void retryLater() {
    retriesLeft = kIconRetries;
    if (SetTimer(trayWindow, kIconRetryTimer, kIconRetryPeriod, nullptr) == 0) reportMissingIcon();
}

}  // namespace

const UINT taskbarCreatedMessage = RegisterWindowMessageW(L"TaskbarCreated");

void showTrayIcon() {
    if (!placeIcon()) retryLater();
}

void onTaskbarCreated() {
    // A new taskbar holds no icons: ours was lost with the old one.
    iconShown = false;
    if (placeIcon()) {
        KillTimer(trayWindow, kIconRetryTimer);
        return;
    }
    retryLater();
}

bool onIconRetryTimer(UINT_PTR timer) {
    if (timer != kIconRetryTimer) return false;
    if (iconShown || placeIcon()) {
        KillTimer(trayWindow, kIconRetryTimer);
    } else if (--retriesLeft <= 0) {
        KillTimer(trayWindow, kIconRetryTimer);
        reportMissingIcon();  // the program runs on; "TaskbarCreated" may still bring it back
    }
    return true;
}

void removeTrayIcon() {
    KillTimer(trayWindow, kIconRetryTimer);
    if (iconShown) {
        NOTIFYICONDATAW removal = iconRecord();
        Shell_NotifyIconW(NIM_DELETE, &removal);
        iconShown = false;
    }
    if (iconImageOwned) DestroyIcon(iconImage);
    iconImage = nullptr;
    iconImageOwned = false;
}
