// The options dialog (resource 103) with its About box (resource 107), and the
// values it shares with the tray window and the directory selection dialog.
#pragma once

#include <windows.h>

// Handle of the open options dialog; null while it is closed.
extern HWND optionsWindow;
// 1 while the options dialog is open; the tray window then opens no second one.
extern int optionsDialogOpen;
// 1 once something that OK has to store was edited.
extern int settingsChanged;
// The numeric value of the stored "Time" at the last opening that found one.
extern int rememberedInterval;

INT_PTR CALLBACK optionsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK aboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Appends one line to the image list box of the options dialog (and widens its
// horizontal scroll range when the line is the widest so far).
void appendImageListLine(HWND options, const char* line);
