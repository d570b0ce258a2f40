// The excluded pictures dialog (resource 120), opened by the options
// dialog's "Excluded..." button: the pictures "Remove Picture from List"
// excluded, to take out one by one or all at once. Its OK stores at once,
// whatever the options dialog does after it.
#pragma once

#include <windows.h>

namespace ui {

// Runs the dialog modally, owned by `owner`.
void showExcludedDialog(HINSTANCE instance, HWND owner);

}  // namespace ui
