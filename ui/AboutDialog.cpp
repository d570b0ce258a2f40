// The About box: only its OK button and its close button end it.
#include "ui/CallbackGuard.h"
#include "ui/OptionsDialog.h"

INT_PTR CALLBACK aboutDialogProc(HWND box, UINT message, WPARAM wParam, LPARAM) {
    return ui::guardCallback<INT_PTR>(TRUE, [&]() -> INT_PTR {
        if ((message == WM_COMMAND && LOWORD(wParam) == IDOK) || message == WM_CLOSE) {
            EndDialog(box, IDOK);
            return TRUE;
        }
        return FALSE;
    });
}
