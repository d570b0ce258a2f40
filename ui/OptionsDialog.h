// The options dialog (resource 103) with its About box (resource 107), and the
// values it shares with the tray window and the directory selection dialog.
#pragma once

#include <windows.h>

#include <string>

#include "wallpaper/WallpaperState.h"

// What the options dialog needs from the code that opens it, passed as the
// dialog's creation parameter and alive while it is open.
struct OptionsContext {
    // The WinHelp file: the start-up directory followed by "\help.hlp".
    std::string helpPath;
    // The wallpaper cycle that OK's change runs in.
    WallpaperState* wallpaper;
    // Kills the update timer when it runs and starts it again for an interval
    // (in 36-second units; 0 starts none).
    void (*restartTimer)(int interval);
};

// The result with which the dialog ends when the user confirmed quitting;
// its opener then ends the program.
constexpr INT_PTR kQuitConfirmed = 1001;

// Handle of the open options dialog; null while it is closed.
extern HWND optionsWindow;
// 1 while the options dialog is open; the tray window then opens no second one.
extern int optionsDialogOpen;
// 1 once something that OK has to store was edited.
extern int settingsChanged;
// The numeric value of the stored "Time" at the last opening that found one.
extern int rememberedInterval;

// The dialog procedure; lParam of WM_INITDIALOG is the OptionsContext.
INT_PTR CALLBACK optionsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK aboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Appends one line to the image list box of the options dialog (and widens its
// horizontal scroll range when the line is the widest so far).
void appendImageListLine(HWND options, const char* line);
