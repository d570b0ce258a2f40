// The hidden tray window: the notification icon's mouse messages and the popup menu.
#include "app/Application.h"

#include <string>

#include "platform/Desktop.h"
#include "platform/Messages.h"
#include "resources/resource.h"
#include "settings/SettingsStore.h"
#include "ui/CallbackGuard.h"
#include "ui/OptionsDialog.h"
#include "wallpaper/PictureFile.h"
#include "wallpaper/RemovePicture.h"
#include "wallpaper/WallpaperChange.h"

HWND trayWindow = nullptr;
WallpaperState wallpaperState;
HMENU popupMenu = nullptr;

void changeFromStoredList(ChangeRequest request) {
    std::unique_ptr<char[]> list = readSetting(kFilesSetting);
    if (list) changeWallpaper(wallpaperState, list.get(), request);
}

void setChangesActive(bool active) {
    wallpaperState.changesActive = active ? 1 : 0;
    CheckMenuItem(popupMenu, ID_ACTIVE, MF_BYCOMMAND | (active ? MF_CHECKED : MF_UNCHECKED));
}

void carryOutCommand(Command command) {
    switch (command) {
    case Command::None:
    case Command::Options:
        openOptionsDialog();
        break;
    case Command::Next:
        changeFromStoredList(ChangeRequest::Command);
        break;
    case Command::Previous:
        showPreviousWallpaper(wallpaperState);
        break;
    case Command::Pause:
        setChangesActive(false);
        break;
    case Command::Resume:
        setChangesActive(true);
        break;
    case Command::Quit:
        // Asks nothing: the destruction ends any dialog or question open.
        PostMessageW(trayWindow, WM_CLOSE, 0, 0);
        break;
    case Command::Help:
    case Command::Unknown:
        break;
    }
}

namespace {

// Posted by the tray window to itself: the command of another start, carried
// out once that start has its answer.
constexpr UINT kRunCommandMessage = WM_APP + 1;

void toggleActive() {
    setChangesActive(wallpaperState.changesActive == 0);
}

void showPopupMenu(HWND owner) {
    POINT cursor{};
    GetCursorPos(&cursor);
    // A notification icon's menu closes on a click elsewhere only when its
    // owner is the foreground window; the posted message lets the menu go
    // when it is opened again at once.
    SetForegroundWindow(owner);
    const std::string picture = wallpaperState.history.current();
    EnableMenuItem(popupMenu, ID_PREVIOUS_WALLPAPER,
                   MF_BYCOMMAND | (hasPreviousWallpaper(wallpaperState) ? MF_ENABLED : MF_GRAYED));
    EnableMenuItem(popupMenu, ID_SHOW_PICTURE_FILE, MF_BYCOMMAND | (picture.empty() ? MF_GRAYED : MF_ENABLED));
    EnableMenuItem(popupMenu, ID_REMOVE_PICTURE,
                   MF_BYCOMMAND | (canRemovePicture(wallpaperState) ? MF_ENABLED : MF_GRAYED));
    const BOOL command =
        TrackPopupMenuEx(popupMenu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, cursor.x, cursor.y, owner, nullptr);
    PostMessageW(owner, WM_NULL, 0, 0);
    switch (command) {
    case ID_OPTIONS:
        openOptionsDialog();
        break;
    case ID_ACTIVE:
        toggleActive();
        break;
    case ID_CHANGE_WALLPAPER:
        changeFromStoredList(ChangeRequest::Command);
        break;
    case ID_PREVIOUS_WALLPAPER:
        showPreviousWallpaper(wallpaperState);
        break;
    case ID_SHOW_PICTURE_FILE:
        showPictureFile(wallpaperState);
        break;
    case ID_REMOVE_PICTURE:
        removePictureFromList(wallpaperState);
        break;
    default:  // dismissed
        break;
    }
}

}  // namespace

void openOptionsDialog() {
    const OptionsContext context{helpPath, &wallpaperState, restartUpdateTimer, unacceptableHotkey, registerHotkeys};
    // The tray window's destruction kills the timer and ends the message loop.
    if (ui::showOptionsDialog(appInstance, trayWindow, context)) PostMessageW(trayWindow, WM_CLOSE, 0, 0);
}

LRESULT CALLBACK trayWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return ui::guardCallback<LRESULT>(0, [&]() -> LRESULT {
        switch (message) {
        case WM_DESTROY:
            unregisterHotkeys();
            stopUpdateTimer();
            PostQuitMessage(0);
            return 0;
        case WM_DISPLAYCHANGE:
            // Monitors added, removed, moved or resized: the pictures on
            // screen are composed again for them (a hidden top-level window
            // receives it too).
            recomposeWallpaper(wallpaperState);
            return 0;
        case WM_TIMER:
            if (onIconRetryTimer(wParam) || onQuietCheckTimer(wParam)) return 0;
            return DefWindowProcW(window, message, wParam, lParam);
        case WM_HOTKEY:
            onHotkey(wParam);
            return 0;
        case kRunCommandMessage:
            carryOutCommand(static_cast<Command>(wParam));
            return 0;
        case kTrayCallbackMessage:
            // The notification icon's callback: lParam is the mouse message.
            if (lParam == WM_LBUTTONDBLCLK) {
                openOptionsDialog();
            } else if (lParam == WM_RBUTTONUP) {
                showPopupMenu(window);
            }
            return 0;
        default:
            if (message == taskbarCreatedMessage && message != 0) {
                onTaskbarCreated();
                return 0;
            }
            if (message == commandMessage && message != 0) {
                // Answered at once: the command may open a dialog or ask a question.
                if (wParam > static_cast<WPARAM>(Command::Quit)) return 0;
                PostMessageW(window, kRunCommandMessage, wParam, 0);
                return kCommandTaken;
            }
            return DefWindowProcW(window, message, wParam, lParam);
        }
    });
}
