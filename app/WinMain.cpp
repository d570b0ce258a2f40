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
char helpPath[platform::kUtf8PathBufferSize] = "";

namespace {

using platform::kErrorCaption;

// The directory is fetched with room for 1290 characters so that the suffix
// (at most 10 characters with its NUL) always fits behind it.
void formPaths() {
    std::string directory;
    wchar_t wide[platform::kPathBufferSize - 10];
    const DWORD length = GetCurrentDirectoryW(platform::kPathBufferSize - 10, wide);
    // Too long: unusable, paths relative to nothing.
    if (length != 0 && length < platform::kPathBufferSize - 10) directory = platform::narrow({wide, length});
    std::memcpy(helpPath, directory.data(), directory.size());
    std::memcpy(helpPath + directory.size(), "\\help.hlp", sizeof "\\help.hlp");
    wallpaperState.defaultTempPath = directory + "\\temp.bmp";
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
    const std::wstring errorCaption = platform::widen(kErrorCaption);

    WNDCLASSW windowClass{};
    windowClass.style = 0;
    windowClass.lpfnWndProc = trayWindowProc;
    windowClass.hInstance = appInstance;
    // The system's resource numbers, which the ANSI headers spell as char pointers.
    windowClass.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    windowClass.lpszClassName = kTrayWindowClass;
    if (RegisterClassW(&windowClass) == 0) {
        MessageBoxW(nullptr, L"Can't register window class.", errorCaption.c_str(), MB_ICONWARNING);
        return 0;
    }

    trayWindow = CreateWindowExW(0, kTrayWindowClass, kTrayWindowTitle, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                 appInstance, nullptr);
    if (trayWindow == nullptr) {
        MessageBoxW(nullptr, L"Can't create window.", errorCaption.c_str(), MB_ICONWARNING);
        UnregisterClassW(kTrayWindowClass, appInstance);
        return 0;
    }

    HMENU menu = LoadMenuW(appInstance, MAKEINTRESOURCEW(IDR_POPUP_MENU));
    if (menu == nullptr) {
        MessageBoxW(trayWindow, L"Error creating pop up menu.", errorCaption.c_str(), MB_OK);
        UnregisterClassW(kTrayWindowClass, appInstance);
        return 0;
    }
    popupMenu = GetSubMenu(menu, 0);
    if (popupMenu == nullptr) {
        MessageBoxW(trayWindow, L"Error getting pop up sub menu.", errorCaption.c_str(), MB_OK);
        DestroyMenu(menu);
        UnregisterClassW(kTrayWindowClass, appInstance);
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
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }

    removeTrayIcon();
    DestroyMenu(menu);
    UnregisterClassW(kTrayWindowClass, appInstance);
    return static_cast<int>(message.wParam);
}
