// Start-up and shut-down of the program: the hidden tray window, its menu and
// notification icon, the first wallpaper change and the message loop.
#include "app/Application.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "platform/Random.h"
#include "platform/Utf8.h"
#include "resources/resource.h"
#include "settings/SettingsStore.h"
#include "ui/CallbackGuard.h"
#include "ui/OptionsDialogWindowless.h"
#include "wallpaper/WallpaperChange.h"

HINSTANCE appInstance = nullptr;
char helpPath[platform::kPathBufferSize] = "";

namespace {

using platform::kErrorCaption;

// The directory is fetched with room for 1290 characters so that the suffix
// (at most 10 characters with its NUL) always fits behind it.
void formPaths() {
    char directory[platform::kPathBufferSize - 10];
    DWORD length = GetCurrentDirectoryA(sizeof directory, directory);
    if (length == 0 || length >= sizeof directory) length = 0;  // unusable: paths relative to nothing
    directory[length] = '\0';
    std::memcpy(helpPath, directory, length);
    std::memcpy(helpPath + length, "\\help.hlp", sizeof "\\help.hlp");
    wallpaperState.defaultTempPath = std::string(directory, length) + "\\temp.bmp";
}

// /options started the program: the dialog opens once the first change is done.
void startWithStoredSettings(bool openOptions) {
    std::unique_ptr<char[]> list = readSetting(kFilesSetting);
    if (!list) {
        // First run: the dialog's OK stores the settings, changes the wallpaper
        // and starts the timer itself.
        openOptionsDialog();
        return;
    }
    changeWallpaper(wallpaperState, list.get(), ChangeRequest::Command);
    list.reset();
    std::unique_ptr<char[]> time = readSetting(kTimeSetting);
    if (time) startUpdateTimer(ui::numericValue(time.get()));
    if (openOptions) openOptionsDialog();
}

// The arguments after the program's name, as UTF-8.
std::vector<std::string> commandLineArguments() {
    std::vector<std::string> arguments;
    int count = 0;
    LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
    if (words == nullptr) return arguments;
    for (int i = 1; i < count; ++i) arguments.push_back(platform::narrow(words[i]));
    LocalFree(words);
    return arguments;
}

// A start with a switch that ends without running as the program: the exit
// code, or -1 when this start is to run as the program.
int handleCommandLine(Command command, const std::string& offending) {
    if (command == Command::Help) {
        tellStarter(kUsageText, false);
        return kExitDelivered;
    }
    if (command == Command::Unknown) {
        tellStarter(unknownSwitchMessage(offending), true);
        return kExitUsage;
    }
    switch (handOverToRunningInstance(command)) {
    case HandOver::Delivered:
        return kExitDelivered;
    case HandOver::NoAnswer:
        // A plain start keeps quiet, as it always did: a second copy would
        // only fight the first one.
        if (command == Command::None) return kExitDelivered;
        tellStarter("The running Vellumere did not answer: the switch was not carried out.", true);
        return kExitNoCopy;
    case HandOver::NoCopy:
        break;
    }
    if (startsWhenNoneRuns(command)) return -1;
    tellStarter(noCopyMessage(command), true);
    return kExitNoCopy;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    InitCommonControls();
    appInstance = instance;
    const ParsedCommandLine commandLine = parseCommandLine(commandLineArguments());
    const int ended = handleCommandLine(commandLine.command, commandLine.offending);
    if (ended >= 0) return ended;

    WNDCLASSA windowClass{};
    windowClass.style = 0;
    windowClass.lpfnWndProc = trayWindowProc;
    windowClass.hInstance = appInstance;
    windowClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    windowClass.lpszClassName = kTrayWindowClass;
    if (RegisterClassA(&windowClass) == 0) {
        MessageBoxA(nullptr, "Can't register window class.", kErrorCaption, MB_ICONWARNING);
        return 0;
    }

    trayWindow = CreateWindowExA(0, kTrayWindowClass, kTrayWindowTitle, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                 appInstance, nullptr);
    if (trayWindow == nullptr) {
        MessageBoxA(nullptr, "Can't create window.", kErrorCaption, MB_ICONWARNING);
        UnregisterClassA(kTrayWindowClass, appInstance);
        return 0;
    }

    HMENU menu = LoadMenuA(appInstance, MAKEINTRESOURCEA(IDR_POPUP_MENU));
    if (menu == nullptr) {
        MessageBoxA(trayWindow, "Error creating pop up menu.", kErrorCaption, MB_OK);
        UnregisterClassA(kTrayWindowClass, appInstance);
        return 0;
    }
    popupMenu = GetSubMenu(menu, 0);
    if (popupMenu == nullptr) {
        MessageBoxA(trayWindow, "Error getting pop up sub menu.", kErrorCaption, MB_OK);
        DestroyMenu(menu);
        UnregisterClassA(kTrayWindowClass, appInstance);
        return 0;
    }
    SetMenuDefaultItem(popupMenu, ID_OPTIONS, FALSE);

    formPaths();
    platform::seedRandom(static_cast<unsigned>(std::time(nullptr)));

    // Whatever goes wrong in the first change, the icon is still added and
    // the program runs on.
    ui::guardCallback<int>(0, [&] {
        startWithStoredSettings(commandLine.command == Command::Options);
        return 0;
    });

    showTrayIcon();
    registerHotkeys();

    MSG message{};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }

    removeTrayIcon();
    DestroyMenu(menu);
    UnregisterClassA(kTrayWindowClass, appInstance);
    return static_cast<int>(message.wParam);
}
