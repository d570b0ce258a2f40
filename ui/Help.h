// Help for the options dialog (paths in UTF-8). The WinHelp file "help.hlp" of the start-up
// directory is tried first; where it is missing or the system cannot open it
// (Windows 10 and 11 open no WinHelp files), the HTML help page that ships beside
// the program file opens instead, the way the user's system opens pages.
#pragma once

#include <windows.h>

namespace ui {

// The Help button: the help file's contents, or the help page from its start.
void showHelpContents(HWND options, const char* helpPath);
// Context help (F1, or the caption's "?" and a click) for the control the help
// record names: the help file's popup topic for its identifier, or the help
// page at that control's section.
void showContextHelp(HWND options, const char* helpPath, const HELPINFO& help);

}  // namespace ui
