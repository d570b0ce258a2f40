// The options dialog: the image list, the update interval, the selection
// method, the position and what several monitors show, stored on OK.
#include "ui/OptionsDialog.h"

#include <commctrl.h>
#include <shellapi.h>

#include <new>
#include <string>

#include "platform/Utf8.h"
#include "resources/resource.h"
#include "settings/HotkeyChord.h"
#include "settings/ImageList.h"
#include "settings/SettingsStore.h"
#include "ui/AddFiles.h"
#include "ui/CallbackGuard.h"
#include "ui/DirectoryDialog.h"
#include "ui/ExcludedDialog.h"
#include "ui/Help.h"
#include "ui/ImageListBox.h"
#include "ui/OptionsDialogWindowless.h"
#include "wallpaper/MonitorMode.h"
#include "wallpaper/Position.h"
#include "wallpaper/QuietTicks.h"
#include "wallpaper/WallpaperChange.h"

namespace {

using platform::kErrorCaption;

// The dialog's state, written here alone. There is never more than one
// options dialog.

// From the start of an opening until the dialog has ended: a second request
// meanwhile brings this one forward instead of opening another.
int optionsDialogOpen = 0;
// The dialog's window; null until it is created and once it is destroyed.
HWND optionsWindow = nullptr;
// The opener's context, while the dialog is open.
const OptionsContext* context = nullptr;
// 1 once something that OK has to store was edited.
int settingsChanged = 0;
// The numeric value of the stored "Time" at the last opening that found one.
int rememberedInterval = 0;

// The result with which the dialog ends when the user confirmed quitting.
constexpr INT_PTR kQuitConfirmed = 1001;

// The module the dialog's own resources come from.
HINSTANCE instanceOf(HWND dialog) {
    return reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(dialog, GWLP_HINSTANCE));
}

// Asks whether to quit; on Yes ends the dialog so that its opener ends the
// program. No keeps the dialog open.
void confirmQuit(HWND dialog) {
    if (MessageBoxW(dialog, L"Are you sure you wish to quit Vellumere?",
                    platform::widen(platform::kProgramCaption).c_str(), MB_YESNO) != IDYES) {
        return;
    }
    EndDialog(dialog, kQuitConfirmed);
}

// The list box's own procedure; drops on the list box are handed to the dialog.
WNDPROC listBoxProc = nullptr;

LRESULT CALLBACK imageListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DROPFILES) return SendMessageW(GetParent(list), WM_DROPFILES, wParam, lParam);
    return CallWindowProcW(listBoxProc, list, message, wParam, lParam);
}

// The hotkey fields' own procedure. Windows reserves the chords of the
// Windows key, so the fields refuse them: the key goes nowhere, the field
// keeps what it held.
WNDPROC hotkeyFieldProc = nullptr;

// The key's state as this thread's messages tell it, or as the keyboard has it
// now (a Windows key whose press went to the shell).
bool windowsKeyDown() {
    for (int key : {VK_LWIN, VK_RWIN}) {
        if (GetKeyState(key) < 0 || GetAsyncKeyState(key) < 0) return true;
    }
    return false;
}

LRESULT CALLBACK refusingHotkeyProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam) {
    const bool windowsKey = wParam == VK_LWIN || wParam == VK_RWIN;
    if ((message == WM_KEYDOWN || message == WM_SYSKEYDOWN) && (windowsKey || windowsKeyDown())) {
        if (!windowsKey) MessageBeep(MB_ICONWARNING);
        return 0;
    }
    if ((message == WM_KEYUP || message == WM_SYSKEYUP) && windowsKey) return 0;
    return CallWindowProcW(hotkeyFieldProc, field, message, wParam, lParam);
}

constexpr int kHotkeyFields[] = {IDC_HOTKEY_NEXT, IDC_HOTKEY_PREVIOUS};
constexpr const char* kHotkeySettings[] = {kHotkeyNextSetting, kHotkeyPreviousSetting};

unsigned storedChord(const char* setting) {
    std::unique_ptr<char[]> text = readSetting(setting);
    return hotkey::parse(text ? text.get() : nullptr);
}

unsigned fieldChord(HWND dialog, int field) {
    const unsigned chord = static_cast<unsigned>(SendDlgItemMessageW(dialog, field, HKM_GETHOTKEY, 0, 0)) & 0xFFFF;
    return hotkey::usable(chord) ? chord : 0;
}

void initialiseHotkeys(HWND dialog) {
    for (size_t i = 0; i < 2; ++i) {
        HWND field = GetDlgItem(dialog, kHotkeyFields[i]);
        // A plain key or Shift and a key would take that key from every
        // program: Ctrl+Alt is added to them.
        SendMessageW(field, HKM_SETRULES, HKCOMB_NONE | HKCOMB_S, MAKELPARAM(HOTKEYF_CONTROL | HOTKEYF_ALT, 0));
        SendMessageW(field, HKM_SETHOTKEY, storedChord(kHotkeySettings[i]), 0);
        hotkeyFieldProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(field, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(refusingHotkeyProc)));
    }
    SendDlgItemMessageW(dialog, IDC_FULL_SCREEN_PAUSE, BM_SETCHECK, fullScreenPauseWanted() ? BST_CHECKED : 0, 0);
}

// Stores the hotkeys and the full-screen pause where they changed; they need
// no wallpaper change.
void storeControlSettings(HWND dialog) {
    for (size_t i = 0; i < 2; ++i) {
        const unsigned chord = fieldChord(dialog, kHotkeyFields[i]);
        if (chord != storedChord(kHotkeySettings[i])) {
            writeSetting(kHotkeySettings[i], chord == 0 ? "" : hotkey::format(chord).c_str());
        }
    }
    const bool pause = SendDlgItemMessageW(dialog, IDC_FULL_SCREEN_PAUSE, BM_GETCHECK, 0, 0) == BST_CHECKED;
    if (pause != fullScreenPauseWanted()) writeSetting(kFullScreenPauseSetting, pause ? "1" : "0");
    context->applyHotkeys();
}

std::string intervalText(HWND dialog) {
    HWND field = GetDlgItem(dialog, IDC_INTERVAL);
    const int length = GetWindowTextLengthW(field);
    if (length <= 0) return std::string();
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(field, &text[0], length + 1);
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return platform::narrow(text);
}

void initialise(HWND dialog, const OptionsContext* opener) {
    context = opener;
    optionsWindow = dialog;
    settingsChanged = 0;
    ui::resetImageListExtent();

    HWND list = GetDlgItem(dialog, IDC_IMAGE_LIST);
    listBoxProc =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(imageListProc)));

    if (std::unique_ptr<char[]> files = readSetting(kFilesSetting)) {
        for (const std::string& entry : splitEntries(files.get())) ui::appendImageListLine(dialog, entry.c_str());
    }

    if (std::unique_ptr<char[]> time = readSetting(kTimeSetting)) {
        rememberedInterval = ui::numericValue(time.get());
        SetDlgItemTextW(dialog, IDC_INTERVAL, platform::widen(time.get()).c_str());
    } else {
        SetDlgItemTextW(dialog, IDC_INTERVAL, L"30");
    }

    int method = IDC_RANDOMLY;
    if (std::unique_ptr<char[]> stored = readSetting(kSelectionMethodSetting)) {
        const std::string text = stored.get();
        if (text == "Shuffle") {
            method = IDC_SHUFFLED;
        } else if (text != "Random") {
            method = IDC_SEQUENTIALLY;
        }
    }
    SendDlgItemMessageW(dialog, method, BM_SETCHECK, BST_CHECKED, 0);

    HWND positions = GetDlgItem(dialog, IDC_POSITION);
    for (const char* text : kPositionTexts) {
        SendMessageW(positions, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(platform::widen(text).c_str()));
    }
    SendMessageW(positions, CB_SETCURSEL, static_cast<WPARAM>(readPosition()), 0);
    initialiseHotkeys(dialog);

    HWND monitors = GetDlgItem(dialog, IDC_MONITORS);
    for (const char* text : kMonitorModeTexts) {
        SendMessageW(monitors, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(platform::widen(text).c_str()));
    }
    SendMessageW(monitors, CB_SETCURSEL, static_cast<WPARAM>(readMonitorMode()), 0);

    // The owner, the tray window, is hidden: bring the dialog forward itself.
    SetForegroundWindow(dialog);
}

// Joins the list box's lines into an image list; null when memory runs out.
std::unique_ptr<char[]> joinedList(HWND dialog) {
    try {
        return joinEntries(ui::imageListLines(GetDlgItem(dialog, IDC_IMAGE_LIST)));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

bool isChecked(HWND dialog, int button) {
    return SendDlgItemMessageW(dialog, button, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

Position chosenPosition(HWND dialog) {
    const LRESULT chosen = SendDlgItemMessageW(dialog, IDC_POSITION, CB_GETCURSEL, 0, 0);
    if (chosen < 0 || static_cast<size_t>(chosen) >= kPositionCount) return Position::System;
    return static_cast<Position>(chosen);
}

MonitorMode chosenMonitorMode(HWND dialog) {
    const LRESULT chosen = SendDlgItemMessageW(dialog, IDC_MONITORS, CB_GETCURSEL, 0, 0);
    if (chosen < 0 || static_cast<size_t>(chosen) >= kMonitorModeCount) return MonitorMode::Same;
    return static_cast<MonitorMode>(chosen);
}

void storeAndClose(HWND dialog) {
    // A chord another program holds: the user hears of it here, with every
    // edit still open, and may change it or press OK again to keep it.
    const int refused = context->unacceptableHotkey(dialog, fieldChord(dialog, IDC_HOTKEY_NEXT),
                                                    fieldChord(dialog, IDC_HOTKEY_PREVIOUS));
    if (refused >= 0) {
        SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, kHotkeyFields[refused])), TRUE);
        return;
    }
    if (ui::numericValue(intervalText(dialog).c_str()) != rememberedInterval) settingsChanged = 1;

    if (settingsChanged != 0) {
        std::unique_ptr<char[]> list = joinedList(dialog);
        if (!list) {
            // Keep the dialog, and with it every edit, open: the user can
            // remove lines, or try again once memory is back.
            MessageBoxW(dialog, L"Unable to allocate memory.", platform::widen(kErrorCaption).c_str(), MB_OK);
            return;
        }
        // The store has said why it failed (the list file's save dialog
        // cancelled, the registry refusing the value); closing now would
        // drop the user's edits without a word.
        if (!writeSetting(kFilesSetting, list.get())) return;
        // The new position applies to the change OK makes. It is stored only
        // when it differs, so an untouched "System" stays absent.
        const Position position = chosenPosition(dialog);
        if (position != readPosition()) writeSetting(kPositionSetting, positionText(position));
        const MonitorMode monitorMode = chosenMonitorMode(dialog);
        if (monitorMode != readMonitorMode()) writeSetting(kMonitorsSetting, monitorModeText(monitorMode));
        // Asked while another change shows a question, it runs when that one ends.
        changeWallpaper(*context->wallpaper, list.get(), ChangeRequest::Command);
        list.reset();

        writeSetting(kSelectionMethodSetting, isChecked(dialog, IDC_RANDOMLY)   ? "Random"
                                              : isChecked(dialog, IDC_SHUFFLED) ? "Shuffle"
                                                                                : "Sequential");

        // Read again: the wallpaper change above may have run a modal loop.
        const std::string interval = intervalText(dialog);
        if (!interval.empty()) writeSetting(kTimeSetting, interval.c_str());
        context->restartTimer(ui::numericValue(interval.c_str()));
    }
    storeControlSettings(dialog);
    EndDialog(dialog, IDOK);
}

void command(HWND dialog, int control, int notification) {
    switch (control) {
    case IDOK:
        storeAndClose(dialog);
        break;
    case IDCANCEL:
        EndDialog(dialog, IDCANCEL);
        break;
    case IDC_ABOUT:
        DialogBoxParamW(instanceOf(dialog), MAKEINTRESOURCEW(IDD_ABOUT), dialog, aboutDialogProc, 0);
        break;
    case IDC_HELP_CONTENTS:
        ui::showHelpContents(dialog, context->helpPath.c_str());
        break;
    case IDC_EXCLUDED:
        ui::showExcludedDialog(instanceOf(dialog), dialog);  // stores by itself
        break;
    case IDC_QUIT:
        confirmQuit(dialog);
        break;
    case IDC_ADD_FILES:
        if (ui::addFilesFromDialog(dialog)) settingsChanged = 1;
        break;
    case IDC_ADD_DIRECTORY:
        if (ui::addDirectoryFromDialog(dialog)) settingsChanged = 1;
        break;
    case IDC_DELETE:
        if (ui::deleteSelectedLines(GetDlgItem(dialog, IDC_IMAGE_LIST))) settingsChanged = 1;
        break;
    case IDC_POSITION:
    case IDC_MONITORS:
        if (notification == CBN_SELCHANGE) settingsChanged = 1;
        break;
    case IDC_RANDOMLY:
    case IDC_SEQUENTIALLY:
    case IDC_SHUFFLED:
        settingsChanged = 1;
        break;
    default:
        break;
    }
}

INT_PTR CALLBACK optionsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    return ui::guardCallback<INT_PTR>(TRUE, [&]() -> INT_PTR {
        switch (message) {
        case WM_INITDIALOG:
            initialise(dialog, reinterpret_cast<const OptionsContext*>(lParam));
            return TRUE;
        case WM_COMMAND:
            command(dialog, LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_NOTIFY: {
            const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header->idFrom == IDC_MOVE && header->code == UDN_DELTAPOS) {
                const NMUPDOWN* change = reinterpret_cast<const NMUPDOWN*>(lParam);
                if (ui::moveSelectedLines(GetDlgItem(dialog, IDC_IMAGE_LIST), change->iDelta < 0)) settingsChanged = 1;
            }
            return FALSE;  // the control may go on; its position is never read
        }
        case WM_DROPFILES:
            if (ui::addDroppedFiles(dialog, reinterpret_cast<HDROP>(wParam))) settingsChanged = 1;
            return TRUE;
        case WM_HELP: {
            const HELPINFO* help = reinterpret_cast<const HELPINFO*>(lParam);
            if (help != nullptr) ui::showContextHelp(dialog, context->helpPath.c_str(), *help);
            return TRUE;
        }
        case WM_CLOSE:
            confirmQuit(dialog);
            return TRUE;
        case WM_DESTROY:
            optionsWindow = nullptr;
            context = nullptr;
            return FALSE;
        default:
            return FALSE;
        }
    });
}

// The open dialog comes forward, or whatever it shows on top of itself (the
// About box, the directory dialog, a question).
void bringOptionsForward() {
    if (optionsWindow == nullptr) return;  // still starting: it comes forward itself
    HWND front = GetLastActivePopup(optionsWindow);
    if (IsIconic(optionsWindow)) ShowWindow(optionsWindow, SW_RESTORE);
    SetForegroundWindow(front != nullptr ? front : optionsWindow);
}

}  // namespace

namespace ui {

bool showOptionsDialog(HINSTANCE instance, HWND owner, const OptionsContext& opener) {
    if (optionsDialogOpen == 1) {
        bringOptionsForward();
        return false;
    }
    // Marked open before the dialog starts: a second request while it is
    // being set up must not open another one.
    optionsDialogOpen = 1;
    const INT_PTR result = DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_OPTIONS), owner, optionsDialogProc,
                                           reinterpret_cast<LPARAM>(&opener));
    optionsDialogOpen = 0;
    return result == kQuitConfirmed;
}

}  // namespace ui
