// Help: the WinHelp file where the system still opens one, else the help page.
#include "ui/Help.h"

#include <objbase.h>
#include <shellapi.h>

#include <string>

#include "platform/Messages.h"
#include "platform/PathBuffer.h"
#include "platform/Utf8.h"
#include "resources/resource.h"
#include "ui/HelpWindowless.h"

namespace {

using platform::kErrorCaption;

bool helpFilePresent(const char* helpPath) {
    const DWORD attributes = GetFileAttributesW(platform::widen(helpPath).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The help page beside the program file (not in the current directory, which
// is wherever the program was started from); empty when the path does not fit.
std::string helpPage() {
    wchar_t program[platform::kPathBufferSize];
    const DWORD length = GetModuleFileNameW(nullptr, program, platform::kPathBufferSize);
    if (length == 0 || length >= platform::kPathBufferSize) return std::string();
    return ui::helpPagePath(platform::narrow({program, length}));
}

// Hands a file or an address to the shell, which opens it the way the user's
// system opens such a thing (its default verb). The shell's own error boxes
// are kept back: the caller reports a failure in the program's words.
bool shellOpen(HWND owner, const std::string& target) {
    const std::wstring file = platform::widen(target);
    SHELLEXECUTEINFOW open{};
    open.cbSize = sizeof open;
    open.fMask = SEE_MASK_FLAG_NO_UI;
    open.hwnd = owner;
    open.lpVerb = nullptr;
    open.lpFile = file.c_str();
    open.nShow = SW_SHOWNORMAL;
    return ShellExecuteExW(&open) && reinterpret_cast<INT_PTR>(open.hInstApp) > 32;
}

// Opens the page through the shell, at a section when one is given. Its
// address with the section goes to the shell, not to the program registered
// for pages: that may be an editor, which cannot open an address. A browser
// that takes addresses gets it whole; where the shell cannot open it, the
// page itself opens, from its start.
bool openPage(HWND owner, const std::string& page, const std::string& section) {
    // Some file associations are carried out by shell extensions, which need COM.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    bool opened = false;
    if (!section.empty()) {
        opened = shellOpen(owner, ui::fileUrl(page) + "#" + section);
    }
    if (!opened) opened = shellOpen(owner, page);
    if (SUCCEEDED(com)) CoUninitialize();
    return opened;
}

void showPage(HWND options, const std::string& section) {
    const std::string page = helpPage();
    if (!page.empty() && GetFileAttributesW(platform::widen(page).c_str()) != INVALID_FILE_ATTRIBUTES &&
        openPage(options, page, section)) {
        return;
    }
    const std::string text = "Unable to open the help page \"" + (page.empty() ? ui::kHelpPageName : page) + "\".";
    MessageBoxW(options, platform::widen(text).c_str(), platform::widen(kErrorCaption).c_str(), MB_ICONWARNING);
}

// The dialog a control belongs to: F1 in the About box or the directory dialog
// reaches the options dialog, their owner, with one of their controls.
ui::HelpDialog dialogOf(HWND options, const HELPINFO& help) {
    if (help.iContextType != HELPINFO_WINDOW || help.hItemHandle == nullptr) return ui::HelpDialog::Options;
    HWND root = GetAncestor(static_cast<HWND>(help.hItemHandle), GA_ROOT);
    if (root == nullptr || root == options) return ui::HelpDialog::Options;
    if (GetDlgItem(root, IDC_EXCLUDED_LIST) != nullptr) return ui::HelpDialog::Excluded;
    return GetDlgItem(root, IDC_DIRECTORY_TREE) != nullptr ? ui::HelpDialog::Directory : ui::HelpDialog::About;
}

}  // namespace

namespace ui {

void showHelpContents(HWND options, const char* helpPath) {
    if (helpFilePresent(helpPath) && WinHelpW(options, platform::widen(helpPath).c_str(), HELP_CONTENTS, 0)) return;
    showPage(options, std::string());
}

void showContextHelp(HWND options, const char* helpPath, const HELPINFO& help) {
    if (helpFilePresent(helpPath) &&
        WinHelpW(options, platform::widen(helpPath).c_str(), HELP_CONTEXTPOPUP, static_cast<ULONG_PTR>(help.iCtrlId))) {
        return;
    }
    showPage(options, helpSection(dialogOf(options, help), help.iCtrlId));
}

}  // namespace ui
