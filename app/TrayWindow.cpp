// The hidden tray window: the notification icon's mouse messages and the popup menu.
#include "app/Application.h"

#include "resources/resource.h"
#include "settings/SettingsStore.h"
#include "ui/CallbackGuard.h"
#include "ui/OptionsDialog.h"
#include "wallpaper/WallpaperChange.h"

HWND trayWindow = nullptr;
HMENU popupMenu = nullptr;

void changeFromStoredList() {
    std::unique_ptr<char[]> list = readSetting(kFilesSetting);
    if (list) changeWallpaper(list.get());
}

namespace {

void toggleActive() {
    if (changesActive == 0) {
        changesActive = 1;
        CheckMenuItem(popupMenu, ID_ACTIVE, MF_BYCOMMAND | MF_CHECKED);
    } else {
        changesActive = 0;
        CheckMenuItem(popupMenu, ID_ACTIVE, MF_BYCOMMAND | MF_UNCHECKED);
    }
}

void showPopupMenu(HWND owner) {
    POINT cursor{};
    GetCursorPos(&cursor);
    const BOOL command = TrackPopupMenuEx(popupMenu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, cursor.x,
                                          cursor.y, owner, nullptr);
    switch (command) {
    case ID_OPTIONS:
        openOptionsDialog();
        break;
    case ID_ACTIVE:
        toggleActive();
        break;
    case ID_CHANGE_WALLPAPER:
        changeFromStoredList();
        break;
    default:  // dismissed
        break;
    }
}

}  // namespace

void openOptionsDialog() {
    if (optionsDialogOpen == 1) {
        SetForegroundWindow(trayWindow);
        return;
    }
    DialogBoxParamA(appInstance, MAKEINTRESOURCEA(IDD_OPTIONS), trayWindow, optionsDialogProc, 0);
}

LRESULT CALLBACK trayWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return ui::guardCallback<LRESULT>(0, [&]() -> LRESULT {
        switch (message) {
        case WM_DESTROY:
            stopUpdateTimer();
            PostQuitMessage(0);
            return 0;
        case WM_USER:
            // The notification icon's callback: lParam is the mouse message.
            if (lParam == WM_LBUTTONDBLCLK) {
                openOptionsDialog();
            } else if (lParam == WM_RBUTTONUP) {
                showPopupMenu(window);
            }
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
        }
    });
}
