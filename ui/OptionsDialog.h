// The options dialog (resource 103) with its About box (resource 107). The
// dialog's state is its own: the opener hands it an OptionsContext, and the
// dialogs it opens are handed its window and tell it what they added.
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
    // Whether the hotkey fields' chords can be used (see app/Application.h):
    // -1, or after telling the user, the field to change (0 next, 1 previous).
    int (*unacceptableHotkey)(HWND dialog, unsigned next, unsigned previous);
    // Registers the stored hotkeys again.
    void (*applyHotkeys)();
};

namespace ui {

// Runs the options dialog modally, owned by `owner`. When it is open already,
// it comes forward instead (or whatever it shows on top of itself). Returns
// whether the user confirmed quitting; the caller then ends the program.
bool showOptionsDialog(HINSTANCE instance, HWND owner, const OptionsContext& context);

}  // namespace ui

INT_PTR CALLBACK aboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
