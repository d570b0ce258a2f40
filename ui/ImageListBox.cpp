// The image list box of the options dialog.
#include "ui/ImageListBox.h"

#include <string>

#include "platform/Utf8.h"
#include "resources/resource.h"
#include "ui/OptionsDialogWindowless.h"

namespace {

// Lines are read in UTF-16 from the list box class's own procedure. Going
// past the options dialog's subclass is harmless: it only forwards drops.
// (Sending the ANSI LB_GETTEXT had the system translate it, and Wine's
// translation copies the line through a fixed 512-character buffer, which a
// longer line, up to 1299 characters, overruns.)
std::wstring lineText(HWND list, int index) {
    const WNDPROC listProc = reinterpret_cast<WNDPROC>(GetClassLongPtrW(list, GCLP_WNDPROC));
    if (listProc == nullptr) return std::wstring();
    const LRESULT length = CallWindowProcW(listProc, list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == LB_ERR || length <= 0) return std::wstring();
    std::wstring wide(static_cast<size_t>(length) + 1, L'\0');
    const LRESULT copied =
        CallWindowProcW(listProc, list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&wide[0]));
    if (copied == LB_ERR || copied <= 0) return std::wstring();
    wide.resize(static_cast<size_t>(copied < length ? copied : length));
    return wide;
}

// Width in pixels of the widest line since the dialog opened, and the scroll
// range last given to the list box: it only scrolls sideways as far as it is told.
int widestLine = 0;
int appliedExtent = 0;

int lineWidth(HWND list, const std::wstring& text) {
    HDC context = GetDC(list);
    if (context == nullptr) return 0;
    HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageW(list, WM_GETFONT, 0, 0));
    HGDIOBJ previous = font != nullptr ? SelectObject(context, font) : nullptr;
    SIZE size{};
    GetTextExtentPoint32W(context, text.c_str(), static_cast<int>(text.size() > 0x7FFFFFFF ? 0x7FFFFFFF : text.size()),
                          &size);
    if (previous != nullptr) SelectObject(context, previous);
    ReleaseDC(list, context);
    return size.cx + 6;  // room for the margins of a list line
}

// Gives the list box a horizontal scroll range only when a line is wider than
// the box. Some list box implementations shorten the box each time the range
// changes (they re-apply the whole-line height rule), so its size is restored.
void applyExtent(HWND list) {
    RECT client;
    GetClientRect(list, &client);
    const int extent = widestLine > client.right ? widestLine : 0;
    if (extent == appliedExtent) return;
    RECT frame;
    GetWindowRect(list, &frame);
    SendMessageW(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(extent), 0);
    appliedExtent = extent;
    SetWindowPos(list, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void widenFor(HWND list, const std::wstring& text) {
    const int width = lineWidth(list, text);
    if (width > widestLine) {
        widestLine = width;
        applyExtent(list);
    }
}

void recomputeExtent(HWND list) {
    widestLine = 0;
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (int index = 0; index < count; ++index) {
        const int width = lineWidth(list, lineText(list, index));
        if (width > widestLine) widestLine = width;
    }
    applyExtent(list);
}

}  // namespace

namespace ui {

void appendImageListLine(HWND options, const char* line) {
    HWND list = GetDlgItem(options, IDC_IMAGE_LIST);
    if (list == nullptr) return;
    const std::wstring text = platform::widen(line);
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    widenFor(list, text);
}

std::string imageListLine(HWND list, int index) {
    return platform::narrow(lineText(list, index));
}

std::vector<std::string> imageListLines(HWND list) {
    std::vector<std::string> lines;
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (int index = 0; index < count; ++index) lines.push_back(imageListLine(list, index));
    return lines;
}

void resetImageListExtent() {
    widestLine = 0;
    appliedExtent = 0;
}

bool deleteSelectedLines(HWND list) {
    bool deleted = false;
    int first = 0;
    while (SendMessageW(list, LB_GETSELITEMS, 1, reinterpret_cast<LPARAM>(&first)) == 1) {
        if (SendMessageW(list, LB_DELETESTRING, static_cast<WPARAM>(first), 0) == LB_ERR) break;
        deleted = true;
    }
    if (deleted) recomputeExtent(list);
    return deleted;
}

bool moveSelectedLines(HWND list, bool up) {
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    const LRESULT selectedCount = SendMessageW(list, LB_GETSELCOUNT, 0, 0);
    if (count <= 0 || selectedCount <= 0) return false;
    // As many table entries as there are selected lines, however many that is.
    std::vector<int> selected(static_cast<size_t>(selectedCount));
    const LRESULT got = SendMessageW(list, LB_GETSELITEMS, static_cast<WPARAM>(selectedCount),
                                     reinterpret_cast<LPARAM>(selected.data()));
    if (got <= 0) return false;
    selected.resize(static_cast<size_t>(got));

    const MovePlan plan = planMove(selected, static_cast<int>(count), up);
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    for (const LineMove& move : plan.moves) {
        const std::wstring text = lineText(list, move.from);
        SendMessageW(list, LB_DELETESTRING, static_cast<WPARAM>(move.from), 0);
        SendMessageW(list, LB_INSERTSTRING, static_cast<WPARAM>(move.to), reinterpret_cast<LPARAM>(text.c_str()));
    }
    // A line taken out and inserted again has lost its selection.
    for (int index : plan.selection) {
        if (index >= 0) SendMessageW(list, LB_SETSEL, TRUE, index);
    }
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
    return !plan.moves.empty();
}

}  // namespace ui
