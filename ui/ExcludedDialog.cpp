#include "ui/ExcludedDialog.h"

#include <algorithm>
#include <string>
#include <vector>

#include "platform/Messages.h"
#include "platform/Utf8.h"
#include "resources/resource.h"
#include "settings/ExcludedList.h"
#include "settings/ImageList.h"
#include "ui/CallbackGuard.h"

namespace {

// The dialog's state, alive while it runs. The paths are kept as stored, so
// what goes back to the store never passes through the list box's text.
struct ExcludedState {
    std::vector<std::string> shown;    // in list box order
    std::vector<std::string> removed;  // taken out by the user
    bool cleared = false;              // "Clear All" pressed
};

// A horizontal scroll range for the widest line, so long paths can be read.
void fitExtent(HWND list, const std::vector<std::wstring>& lines) {
    HDC context = GetDC(list);
    if (context == nullptr) return;
    HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageW(list, WM_GETFONT, 0, 0));
    HGDIOBJ previous = font != nullptr ? SelectObject(context, font) : nullptr;
    int widest = 0;
    for (const std::wstring& line : lines) {
        SIZE size{};
        GetTextExtentPoint32W(context, line.c_str(), static_cast<int>(std::min<size_t>(line.size(), 0x7FFFFFFF)),
                              &size);
        widest = std::max(widest, static_cast<int>(size.cx) + 6);  // with the line's margins
    }
    if (previous != nullptr) SelectObject(context, previous);
    ReleaseDC(list, context);
    SendMessageW(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widest), 0);
}

void initialise(HWND dialog, ExcludedState* state) {
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(state));
    std::string stored;
    readExcluded(&stored);  // one that cannot be read has been reported: it shows as empty
    HWND list = GetDlgItem(dialog, IDC_EXCLUDED_LIST);
    std::vector<std::wstring> lines;
    for (std::string& path : splitEntries(stored.c_str())) {
        if (path.empty()) continue;
        lines.push_back(platform::widen(path));
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(lines.back().c_str()));
        state->shown.push_back(std::move(path));
    }
    fitExtent(list, lines);
}

// Takes the selected lines out, the last first so the indexes stay right.
void removeSelected(HWND dialog, ExcludedState* state) {
    HWND list = GetDlgItem(dialog, IDC_EXCLUDED_LIST);
    const LRESULT count = SendMessageW(list, LB_GETSELCOUNT, 0, 0);
    if (count <= 0) return;
    std::vector<int> selected(static_cast<size_t>(count));
    const LRESULT got =
        SendMessageW(list, LB_GETSELITEMS, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(selected.data()));
    if (got <= 0) return;
    selected.resize(static_cast<size_t>(got));
    std::sort(selected.begin(), selected.end());
    for (auto at = selected.rbegin(); at != selected.rend(); ++at) {
        const size_t index = static_cast<size_t>(*at);
        if (index >= state->shown.size()) continue;
        SendMessageW(list, LB_DELETESTRING, index, 0);
        state->removed.push_back(state->shown[index]);
        state->shown.erase(state->shown.begin() + static_cast<std::ptrdiff_t>(index));
    }
}

void clearAll(HWND dialog, ExcludedState* state) {
    SendDlgItemMessageW(dialog, IDC_EXCLUDED_LIST, LB_RESETCONTENT, 0, 0);
    for (std::string& path : state->shown) state->removed.push_back(std::move(path));
    state->shown.clear();
    state->cleared = true;
}

// Stores the list as it is now without what the user took out, so a picture
// excluded meanwhile (from the tray menu) stays excluded. False when it could
// not be stored: the store has told the user, and the dialog stays open.
bool store(const ExcludedState& state) {
    if (state.removed.empty() && !state.cleared) return true;
    std::string now;
    // A list that cannot be read can still be cleared: that is how the user
    // gets rid of a list file that is gone.
    if (!readExcluded(&now) && !state.cleared) return true;
    return storeExcluded(excludedWithout(now.c_str(), state.removed));
}

INT_PTR CALLBACK excludedDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    return ui::guardCallback<INT_PTR>(TRUE, [&]() -> INT_PTR {
        ExcludedState* state = reinterpret_cast<ExcludedState*>(GetWindowLongPtrW(dialog, DWLP_USER));
        switch (message) {
        case WM_INITDIALOG:
            initialise(dialog, reinterpret_cast<ExcludedState*>(lParam));
            return TRUE;
        case WM_COMMAND:
            if (state == nullptr) return FALSE;
            switch (LOWORD(wParam)) {
            case IDOK:
                if (store(*state)) EndDialog(dialog, IDOK);
                return TRUE;
            case IDCANCEL:
                EndDialog(dialog, IDCANCEL);
                return TRUE;
            case IDC_EXCLUDED_REMOVE:
                removeSelected(dialog, state);
                return TRUE;
            case IDC_EXCLUDED_CLEAR:
                clearAll(dialog, state);
                return TRUE;
            default:
                return FALSE;
            }
        default:
            return FALSE;
        }
    });
}

}  // namespace

namespace ui {

void showExcludedDialog(HINSTANCE instance, HWND owner) {
    ExcludedState state;
    DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_EXCLUDED), owner, excludedDialogProc,
                    reinterpret_cast<LPARAM>(&state));
}

}  // namespace ui
