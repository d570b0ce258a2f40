// The image list box (1010) of the options dialog: reading, appending, deleting
// and moving its lines. Lines may be of any length.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace ui {

// Appends one line (UTF-8) to the image list box of the options dialog (and widens its
// horizontal scroll range when the line is the widest so far).
void appendImageListLine(HWND options, const char* line);
// The text of one line in UTF-8 ("" when the index names no line).
std::string imageListLine(HWND list, int index);
// Every line, in list order.
std::vector<std::string> imageListLines(HWND list);
// Forgets the widest line seen, for a freshly opened dialog.
void resetImageListExtent();
// Deletes every selected line; returns whether any went.
bool deleteSelectedLines(HWND list);
// Moves the selected lines one place up (up == true) or down; returns whether any moved.
bool moveSelectedLines(HWND list, bool up);

}  // namespace ui
