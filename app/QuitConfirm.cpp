// The quit confirmation of the options dialog's Quit button and close box.
#include "app/Application.h"

#include "resources/resource.h"

void confirmQuit(HWND dialog) {
    if (MessageBoxA(dialog, "Are you sure you wish to quit Vellumere?", "Vellumere", MB_YESNO) != IDYES) return;
    EndDialog(dialog, ID_QUIT_CONFIRMED);
    // The tray window's destruction kills the timer and ends the message loop.
    PostMessageA(trayWindow, WM_CLOSE, 0, 0);
}
