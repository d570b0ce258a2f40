// End-to-end driver for Vellumere.exe: runs inside the same Wine desktop as the
// program, executes a scenario script and writes what it saw to a report file.
//
//     driver.exe SCRIPT REPORT
//
// The verbs a script may use are the table kVerbGroups at the end of this file;
// their usage, and the script's syntax, are printed by `driver.exe --help`.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

FILE* report = nullptr;
std::map<std::string, HWND> windows;
std::map<std::string, std::vector<std::string>> remembered;
PROCESS_INFORMATION launched{};
const char kProgramKey[] = "Software\\Quorvath\\Vellumere\\1.3";
const DWORD kDefaultTimeout = 10000;
const DWORD kPoll = 50;

// Scripts, the report and every name are UTF-8; the system is asked in UTF-16.
std::wstring wide(const std::string& utf8) {
    if (utf8.empty()) return std::wstring();
    const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring text(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &text[0], size);
    return text;
}

std::string utf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], size, nullptr, nullptr);
    return out;
}

FILE* openFile(const std::string& path, const wchar_t* mode) {
    return _wfopen(wide(path).c_str(), mode);
}

void say(const char* format, ...) {
    va_list args;
    va_start(args, format);
    vfprintf(report, format, args);
    va_end(args);
    fputc('\n', report);
    fflush(report);
}

struct Failure {
    std::string what;
};

[[noreturn]] void fail(const std::string& what) {
    throw Failure{what};
}

std::string shown(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\a')
            out += "\\a";
        else if (c == '\t')
            out += "\\t";
        else
            out += c;
    }
    if (out.size() > 300) out = out.substr(0, 300) + "...(" + std::to_string(text.size()) + " chars)";
    return "\"" + out + "\"";
}

// --- script parsing ---------------------------------------------------------------

char escaped(char e) {
    switch (e) {
    case 'n':
        return '\n';
    case 't':
        return '\t';
    case 'a':
        return '\a';
    case 'r':
        return '\r';
    default:
        return e;
    }
}

// Expands %{N*C} into N copies of the character C (long names in scripts).
std::string repeated(const std::string& token) {
    std::string out;
    size_t i = 0;
    while (i < token.size()) {
        const size_t open = token.find("%{", i);
        const size_t star = open == std::string::npos ? open : token.find('*', open);
        const size_t close = star == std::string::npos ? star : token.find('}', star);
        if (close == std::string::npos || close != star + 2) {
            out += token.substr(i);
            break;
        }
        out += token.substr(i, open - i);
        out.append(static_cast<size_t>(std::strtoul(token.c_str() + open + 2, nullptr, 10)), token[star + 1]);
        i = close + 1;
    }
    return out;
}

std::vector<std::string> tokens(const std::string& line) {
    std::vector<std::string> out;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
        if (i >= line.size()) break;
        std::string token;
        const bool quoted = line[i] == '"';
        if (quoted) ++i;
        while (i < line.size()) {
            char c = line[i];
            if (quoted ? c == '"' : (c == ' ' || c == '\t' || c == '\r')) break;
            ++i;
            if (c == '\\' && i + 2 < line.size() && line[i] == 'x' &&
                std::isxdigit(static_cast<unsigned char>(line[i + 1])) &&
                std::isxdigit(static_cast<unsigned char>(line[i + 2]))) {
                c = static_cast<char>(std::strtoul(line.substr(i + 1, 2).c_str(), nullptr, 16));  // a raw byte
                i += 3;
            } else if (c == '\\' && i < line.size()) {
                c = escaped(line[i++]);
            }
            token += c;
        }
        if (quoted) ++i;  // closing quote
        out.push_back(repeated(token));
    }
    return out;
}

long number(const std::string& text) {
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 0);
    if (end == text.c_str() || *end != '\0') fail("not a number: " + text);
    return value;
}

std::vector<int> numbers(const std::string& list) {
    std::vector<int> out;
    std::istringstream in(list);
    std::string item;
    while (in >> item) out.push_back(static_cast<int>(number(item)));
    return out;
}

// The items of a list separated by '|'.
std::vector<std::string> items(const std::string& list) {
    std::vector<std::string> out;
    std::string item;
    for (char ch : list + "|") {
        if (ch == '|') {
            out.push_back(item);
            item.clear();
        } else {
            item += ch;
        }
    }
    return out;
}

// --- windows ----------------------------------------------------------------------

std::string windowText(HWND window) {
    static wchar_t text[70000];
    text[0] = L'\0';
    // WM_GETTEXT is marshalled between processes; GetWindowText is not for other processes' controls.
    const size_t n =
        SendMessageTimeoutW(window, WM_GETTEXT, 70000, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, nullptr)
            ? wcslen(text)
            : 0;
    return utf8(std::wstring(text, n));
}

std::string className(HWND window) {
    wchar_t name[256] = L"";
    GetClassNameW(window, name, 256);
    return utf8(name);
}

std::string titleOf(HWND window) {
    wchar_t title[1024] = L"";
    GetWindowTextW(window, title, 1024);
    return utf8(title);
}

struct Search {
    std::string className;  // empty: any
    std::string title;
    std::vector<HWND> found;
};

BOOL CALLBACK collectTopLevel(HWND window, LPARAM data) {
    Search* search = reinterpret_cast<Search*>(data);
    if (!IsWindowVisible(window)) return TRUE;
    if (!search->className.empty() && className(window) != search->className) return TRUE;
    if (search->title == titleOf(window)) search->found.push_back(window);
    return TRUE;
}

std::vector<HWND> topLevel(const std::string& cls, const std::string& title) {
    Search search{cls == "*" ? std::string() : cls, title, {}};
    EnumWindows(collectTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND named(const std::string& name) {
    auto it = windows.find(name);
    if (it == windows.end()) fail("no window named " + name);
    if (!IsWindow(it->second)) fail("window " + name + " no longer exists");
    return it->second;
}

HWND control(HWND window, const std::string& id) {
    const long value = number(id);
    if (value == 0) return window;
    HWND child = GetDlgItem(window, static_cast<int>(value));
    if (child == nullptr) fail("no control " + id);
    return child;
}

// Direct children in Z order, which is the template's (and the tab) order.
std::vector<HWND> children(HWND parent) {
    std::vector<HWND> out;
    for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        out.push_back(child);
    }
    return out;
}

// A message box with this caption whose text (static control 65535) matches.
HWND messageBox(const std::string& caption, const std::string* text) {
    for (HWND box : topLevel("#32770", caption)) {
        for (HWND child : children(box)) {
            if (GetDlgCtrlID(child) != 0xFFFF || className(child) != "Static") continue;
            if (text == nullptr || windowText(child) == *text) return box;
        }
    }
    return nullptr;
}

BOOL CALLBACK collectDialogs(HWND window, LPARAM data) {
    if (IsWindowVisible(window) && className(window) == "#32770") {
        reinterpret_cast<Search*>(data)->found.push_back(window);
    }
    return TRUE;
}

void describeBoxes() {
    Search search{"#32770", "", {}};
    EnumWindows(collectDialogs, reinterpret_cast<LPARAM>(&search));
    for (HWND box : search.found) {
        const std::string title = titleOf(box);
        std::string text;
        for (HWND child : children(box)) {
            if (GetDlgCtrlID(child) == 0xFFFF && className(child) == "Static") text = windowText(child);
        }
        say("  visible dialog %s text %s", shown(title).c_str(), shown(text).c_str());
    }
}

void postClick(HWND window, HWND button) {
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

// --- registry ---------------------------------------------------------------------

bool readValue(HKEY root, const char* key, const std::string& name, std::string& value) {
    HKEY handle;
    if (RegOpenKeyExW(root, wide(key).c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
    const std::wstring valueName = wide(name);
    DWORD size = 0;
    DWORD type = 0;
    bool ok = RegQueryValueExW(handle, valueName.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
    if (ok) {
        std::wstring data(size / sizeof(wchar_t) + 1, L'\0');
        ok = RegQueryValueExW(handle, valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data[0]), &size) ==
             ERROR_SUCCESS;
        data.resize(size / sizeof(wchar_t));
        while (!data.empty() && data.back() == L'\0') data.pop_back();
        value = utf8(data);
    }
    RegCloseKey(handle);
    return ok;
}

void writeValue(HKEY root, const char* key, const std::string& name, const std::string& value) {
    HKEY handle;
    if (RegCreateKeyExW(root, wide(key).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &handle, nullptr) !=
        ERROR_SUCCESS) {
        fail(std::string("cannot open key ") + key);
    }
    const std::wstring text = wide(value);
    const LONG result =
        RegSetValueExW(handle, wide(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(handle);
    if (result != ERROR_SUCCESS) fail("cannot write value " + name);
}

// The whole content of a file; false when it cannot be read.
bool slurp(const std::string& path, std::string& bytes) {
    FILE* in = openFile(path, L"rb");
    if (in == nullptr) return false;
    bytes.clear();
    char chunk[65536];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, in)) > 0) bytes.append(chunk, got);
    fclose(in);
    return true;
}

// --- screenshots ------------------------------------------------------------------

void snapshot(const std::string& file) {
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    GdiFlush();
    const DWORD stride = static_cast<DWORD>((width * 3 + 3) & ~3);
    const DWORD imageSize = stride * static_cast<DWORD>(height);
    BITMAPFILEHEADER header{};
    header.bfType = 0x4D42;
    header.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    header.bfSize = header.bfOffBits + imageSize;
    FILE* out = openFile(file, L"wb");
    if (out != nullptr) {
        fwrite(&header, sizeof header, 1, out);
        fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out);
        fwrite(bits, imageSize, 1, out);
        fclose(out);
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (out == nullptr) fail("cannot write " + file);
}

// --- the tray ---------------------------------------------------------------------

// The tray window seen last, kept so that the icon can still be asked about
// after the program ended.
HWND lastTrayWindow = nullptr;

HWND trayWindow() {
    HWND tray = FindWindowW(L"Vellumere Window Class", L"Vellumere");
    if (tray == nullptr) fail("no tray window (class \"Vellumere Window Class\")");
    lastTrayWindow = tray;
    return tray;
}

// Whether the taskbar holds the program's icon: modifying an icon without
// changing anything succeeds only for an icon that exists.
bool trayIconShown() {
    HWND tray = FindWindowW(L"Vellumere Window Class", L"Vellumere");
    if (tray != nullptr) lastTrayWindow = tray;
    if (lastTrayWindow == nullptr) return false;
    NOTIFYICONDATAW icon{};
    icon.cbSize = NOTIFYICONDATAW_V1_SIZE;
    icon.hWnd = lastTrayWindow;
    icon.uID = 0;
    icon.uFlags = 0;
    return Shell_NotifyIconW(NIM_MODIFY, &icon) != FALSE;
}

HWND waitForMenu() {
    for (DWORD waited = 0; waited < kDefaultTimeout; waited += kPoll) {
        for (HWND menu : topLevel("#32768", "")) return menu;
        Sleep(kPoll);
    }
    fail("no popup menu appeared");
}

void pressKey(HWND target, UINT key) {
    PostMessageA(target, WM_KEYDOWN, key, 1);
    PostMessageA(target, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
}

// --- layout -----------------------------------------------------------------------

struct DialogUnits {
    double x;
    double y;
};

// The dialog's base units, taken from its client area and its template size.
DialogUnits unitsOf(HWND dialog, int templateWidth, int templateHeight) {
    RECT client;
    GetClientRect(dialog, &client);
    return {static_cast<double>(client.right) / templateWidth, static_cast<double>(client.bottom) / templateHeight};
}

std::map<HWND, std::pair<int, int>> templateSizes;  // client size in dialog units, from expect-client

HWND selectChild(HWND dialog, const std::string& selector) {
    if (selector.compare(0, 5, "text:") == 0) {
        const std::string text = selector.substr(5);
        for (HWND child : children(dialog)) {
            if (windowText(child) == text) return child;
        }
        fail("no control with text " + shown(text));
    }
    return control(dialog, selector);
}

void dump(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    say("  client %ldx%ld", client.right, client.bottom);
    for (HWND child : children(window)) {
        RECT r;
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
        say("  child id %d class %s text %s at %ld,%ld %ldx%ld style %08lx exstyle %08lx", GetDlgCtrlID(child),
            className(child).c_str(), shown(windowText(child)).c_str(), r.left, r.top, r.right - r.left,
            r.bottom - r.top, static_cast<unsigned long>(GetWindowLongA(child, GWL_STYLE)),
            static_cast<unsigned long>(GetWindowLongA(child, GWL_EXSTYLE)));
    }
}

// --- commands ---------------------------------------------------------------------

void need(const std::vector<std::string>& args, size_t count) {
    if (args.size() < count) fail("too few arguments");
}

DWORD timeoutArg(const std::vector<std::string>& args, size_t index) {
    return args.size() > index ? static_cast<DWORD>(number(args[index])) : kDefaultTimeout;
}

LRESULT sendTo(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &result)) {
        fail("the program does not answer (message " + std::to_string(message) + ")");
    }
    return static_cast<LRESULT>(result);
}

// Lines are read in UTF-16 and converted to UTF-8, as scripts write them.
std::string listLine(HWND list, int index) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0, SMTO_ABORTIFHUNG, 5000, &length) ||
        static_cast<LRESULT>(length) < 0) {
        fail("no line " + std::to_string(index));
    }
    // Wine may report a shorter length for a long line of another process than the
    // text it then copies: leave room for any line.
    std::wstring line(static_cast<size_t>(length) + 70000, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&line[0]),
                             SMTO_ABORTIFHUNG, 5000, &copied) ||
        static_cast<LRESULT>(copied) < 0) {
        fail("cannot read line " + std::to_string(index));
    }
    line.resize(wcslen(line.c_str()));
    return utf8(line);
}

// --- verbs ------------------------------------------------------------------------
// Each is handed its script line split into words, the verb first; the table at
// the end has checked that the words its syntax requires are there.

using Args = std::vector<std::string>;

// --- verbs: the program and the script

void logText(const Args& a) {
    say("  %s", a[1].c_str());
}

void sleepFor(const Args& a) {
    Sleep(static_cast<DWORD>(number(a[1])));
}

void launch(const Args& a) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    std::string commandLine = "\"" + a[1] + "\"";
    if (a.size() > 3) commandLine += " " + a[3];
    std::wstring wideCommandLine = wide(commandLine);
    if (!CreateProcessW(wide(a[1]).c_str(), &wideCommandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        wide(a[2]).c_str(), &startup, &launched)) {
        fail("cannot start " + a[1] + " (error " + std::to_string(GetLastError()) + ")");
    }
    WaitForInputIdle(launched.hProcess, 5000);
}

// Runs the program with its standard output and error going to files, as a
// shell's redirection would give them, and checks its exit code.
void runRedirected(const Args& a) {
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE files[2];
    for (int i = 0; i < 2; ++i) {
        files[i] = CreateFileA(a[5 + i].c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (files[i] == INVALID_HANDLE_VALUE) fail("cannot create " + a[5 + i]);
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nullptr;
    startup.hStdOutput = files[0];
    startup.hStdError = files[1];
    std::string commandLine = "\"" + a[1] + "\" " + a[3];
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessA(a[1].c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, a[2].c_str(),
                                        &startup, &process);
    CloseHandle(files[0]);
    CloseHandle(files[1]);
    if (!started) fail("cannot start " + a[1] + " (error " + std::to_string(GetLastError()) + ")");
    const DWORD waited = WaitForSingleObject(process.hProcess, 20000);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (waited != WAIT_OBJECT_0) fail("the program is still running");
    say("  exit code %lu", static_cast<unsigned long>(code));
    if (static_cast<long>(code) != number(a[4])) fail("exit code " + std::to_string(code) + ", not " + a[4]);
}

void expectExit(const Args& a) {
    if (launched.hProcess == nullptr) fail("nothing launched");
    if (WaitForSingleObject(launched.hProcess, timeoutArg(a, 1)) != WAIT_OBJECT_0) fail("the program is still running");
    DWORD code = 0;
    GetExitCodeProcess(launched.hProcess, &code);
    say("  exit code %lu", static_cast<unsigned long>(code));
}

void expectExitCode(const Args& a) {
    if (launched.hProcess == nullptr) fail("nothing launched");
    if (WaitForSingleObject(launched.hProcess, timeoutArg(a, 2)) != WAIT_OBJECT_0) fail("the program is still running");
    DWORD code = 0;
    GetExitCodeProcess(launched.hProcess, &code);
    say("  exit code %lu", static_cast<unsigned long>(code));
    if (static_cast<long>(code) != number(a[1])) fail("exit code " + std::to_string(code) + ", not " + a[1]);
}

// The program's tray window is gone (it ended, or is ending).
void expectNoTrayWindow(const Args& a) {
    for (DWORD waited = 0; FindWindowA("Vellumere Window Class", "Vellumere") != nullptr; waited += kPoll) {
        if (waited >= timeoutArg(a, 1)) fail("the tray window still exists");
        Sleep(kPoll);
    }
}

void expectRunning(const Args& a) {
    if (launched.hProcess == nullptr) fail("nothing launched");
    if (WaitForSingleObject(launched.hProcess, static_cast<DWORD>(number(a[1]))) == WAIT_OBJECT_0) {
        fail("the program ended");
    }
}

// --- verbs: the registry

void regClear(const Args&) {
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Quorvath");
    RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Quorvath");
    // The file dialogs start in the folder the program's last one ended in:
    // forget it, so that a scenario does not depend on the one run before.
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32");
}

void regSet(const Args& a) {
    writeValue(HKEY_CURRENT_USER, kProgramKey, a[1], a[2]);
}

void regSetList(const Args& a) {
    std::string list = a.size() > 4 ? a[4] + '\a' : std::string();
    char suffix[16];
    for (long i = 0; i < number(a[3]); ++i) {
        snprintf(suffix, sizeof suffix, "%04ld", i);
        list += a[2] + suffix + '\a';
    }
    writeValue(HKEY_CURRENT_USER, kProgramKey, a[1], list);
}

// The text of the program's value NAME, which must exist.
std::string programValue(const std::string& name) {
    std::string value;
    if (!readValue(HKEY_CURRENT_USER, kProgramKey, name, value)) fail("value " + name + " is absent");
    return value;
}

// The program stores in its own time (a change runs after the menu closed,
// slower on a busy machine): the checks of a value's content wait a little.
template <typename Wanted>
void awaitValue(const std::string& name, Wanted&& wanted, const std::string& expected) {
    std::string value;
    for (DWORD waited = 0;; waited += kPoll) {
        if (readValue(HKEY_CURRENT_USER, kProgramKey, name, value) && wanted(value)) return;
        if (waited >= kDefaultTimeout) break;
        Sleep(kPoll);
    }
    programValue(name);  // absent: says so
    fail("value " + name + " is " + shown(value) + ", expected " + expected);
}

void regExpect(const Args& a) {
    awaitValue(
        a[1], [&](const std::string& value) { return value == a[2]; }, shown(a[2]));
}

void regExpectAbsent(const Args& a) {
    std::string value;
    if (readValue(HKEY_CURRENT_USER, kProgramKey, a[1], value)) fail("value " + a[1] + " exists: " + shown(value));
}

void regExpectEntries(const Args& a) {
    const long wanted = number(a[2]);
    awaitValue(
        a[1],
        [&](const std::string& value) {
            return static_cast<long>(std::count(value.begin(), value.end(), '\a')) == wanted;
        },
        a[2] + " entries");
}

// The lines remembered under NAME as an image list: each followed by BEL.
std::string rememberedList(const std::string& name) {
    auto it = remembered.find(name);
    if (it == remembered.end()) fail("nothing remembered as " + name);
    std::string joined;
    for (const std::string& line : it->second) joined += line + '\a';
    return joined;
}

// What WHERE holds, VALUE, must be the image list WANTED.
void expectImageList(const std::string& where, const std::string& value, const std::string& wanted) {
    if (value != wanted) fail(where + " holds " + shown(value) + ", expected " + shown(wanted));
    say("  %d characters", static_cast<int>(value.size()));
}

void regExpectList(const Args& a) {
    const std::string wanted = rememberedList(a[2]);
    expectImageList(a[1], programValue(a[1]), wanted);
}

void regDumpEntries(const Args& a) {
    const std::string value = programValue(a[1]);
    size_t start = 0;
    for (size_t bel; (bel = value.find('\a', start)) != std::string::npos; start = bel + 1) {
        say("  entry of %d characters", static_cast<int>(bel - start));
    }
}

// --- verbs: files

void fileExpectList(const Args& a) {
    const std::string wanted = rememberedList(a[2]);
    std::string value;
    if (!slurp(a[1], value)) fail("cannot read " + a[1]);
    expectImageList(a[1], value, wanted);
}

// The program writes the file in its own time: wait until it holds exactly the
// bytes of the reference file.
void fileExpectSame(const Args& a) {
    std::string expected;
    if (!slurp(a[2], expected)) fail("cannot read " + a[2]);
    std::string actual;
    for (DWORD waited = 0;; waited += kPoll) {
        if (slurp(a[1], actual) && actual == expected) break;
        if (waited >= timeoutArg(a, 3)) {
            fail(a[1] + " (" + std::to_string(actual.size()) + " bytes) differs from " + a[2] + " (" +
                 std::to_string(expected.size()) + " bytes)");
        }
        Sleep(kPoll);
    }
}

void fileExpectText(const Args& a) {
    std::string actual;
    for (DWORD waited = 0;; waited += kPoll) {
        const bool read = slurp(a[1], actual);
        if (read && actual == a[2]) break;
        if (waited >= timeoutArg(a, 3)) {
            fail(read ? a[1] + " holds " + shown(actual) + ", expected " + shown(a[2]) : a[1] + " does not exist");
        }
        Sleep(kPoll);
    }
}

void fileExpectStart(const Args& a) {
    std::string actual;
    if (!slurp(a[1], actual)) fail(a[1] + " does not exist");
    if (actual.compare(0, a[2].size(), a[2]) != 0) fail(a[1] + " holds " + shown(actual));
}

void fileExpectAbsent(const Args& a) {
    const DWORD wait = a.size() > 2 ? static_cast<DWORD>(number(a[2])) : 0;
    for (DWORD waited = 0;; waited += kPoll) {
        std::string content;
        if (slurp(a[1], content)) fail(a[1] + " exists and holds " + shown(content));
        if (waited >= wait) break;
        Sleep(kPoll);
    }
}

void fileWrite(const Args& a) {
    FILE* out = openFile(a[1], L"wb");
    if (out == nullptr) fail("cannot write " + a[1]);
    fwrite(a[2].data(), 1, a[2].size(), out);
    fclose(out);
}

void fileDelete(const Args& a) {
    if (!DeleteFileW(wide(a[1]).c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND) fail("cannot delete " + a[1]);
}

// Held without sharing until the driver ends, as a program that has the file
// open (or a scanner reading it) holds it.
void fileHold(const Args& a) {
    if (CreateFileW(wide(a[1]).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr) == INVALID_HANDLE_VALUE)
        fail("cannot hold " + a[1]);
}

void fileCopy(const Args& a) {
    if (!CopyFileW(wide(a[1]).c_str(), wide(a[2]).c_str(), FALSE)) fail("cannot copy " + a[1]);
}

// --- verbs: the wallpaper
// The program sets it in its own time: the checks wait for it a little.

std::string wallpaper() {
    std::string value;
    readValue(HKEY_CURRENT_USER, "Control Panel\\Desktop", "Wallpaper", value);
    return value;
}

void wallpaperSet(const Args& a) {
    writeValue(HKEY_CURRENT_USER, "Control Panel\\Desktop", "Wallpaper", a[1]);
}

void wallpaperExpect(const Args& a) {
    for (DWORD waited = 0;; waited += kPoll) {
        const std::string value = wallpaper();
        if (value == a[1]) break;
        if (waited >= timeoutArg(a, 2)) fail("wallpaper is " + shown(value) + ", expected " + shown(a[1]));
        Sleep(kPoll);
    }
}

void wallpaperExpectPrefix(const Args& a) {
    for (DWORD waited = 0;; waited += kPoll) {
        const std::string value = wallpaper();
        if (value.compare(0, a[1].size(), a[1]) == 0) break;
        if (waited >= timeoutArg(a, 2)) fail("wallpaper is " + shown(value) + ", expected it to begin " + shown(a[1]));
        Sleep(kPoll);
    }
}

void wallpaperExpectLine(const Args& a) {
    auto it = remembered.find(a[1]);
    if (it == remembered.end() || static_cast<long>(it->second.size()) <= number(a[2])) fail("no such remembered line");
    const std::string& wanted = it->second[static_cast<size_t>(number(a[2]))];
    for (DWORD waited = 0;; waited += kPoll) {
        const std::string value = wallpaper();
        if (value == wanted) break;
        if (waited >= kDefaultTimeout) fail("wallpaper is " + shown(value) + ", expected " + shown(wanted));
        Sleep(kPoll);
    }
}

// --- verbs: windows and message boxes

void findWindow(const Args& a) {
    const DWORD timeout = timeoutArg(a, 4);
    for (DWORD waited = 0;; waited += kPoll) {
        std::vector<HWND> found = topLevel(a[2], a[3]);
        if (!found.empty()) {
            windows[a[1]] = found.front();
            break;
        }
        if (waited >= timeout) {
            describeBoxes();
            fail("no window " + a[2] + " " + shown(a[3]));
        }
        Sleep(kPoll);
    }
}

void expectWindows(const Args& a) {
    const size_t count = topLevel(a[1], a[2]).size();
    if (static_cast<long>(count) != number(a[3])) fail(std::to_string(count) + " such windows");
}

void expectNone(const Args& a) {
    const DWORD span = timeoutArg(a, 3);
    for (DWORD waited = 0; waited <= span; waited += kPoll) {
        if (!topLevel(a[1], a[2]).empty()) fail("window " + a[1] + " " + shown(a[2]) + " is shown");
        Sleep(kPoll);
    }
}

void expectGone(const Args& a) {
    HWND window = windows[a[1]];
    for (DWORD waited = 0; IsWindow(window); waited += kPoll) {
        if (waited >= timeoutArg(a, 2)) fail("window " + a[1] + " still exists");
        Sleep(kPoll);
    }
}

void expectForeground(const Args& a) {
    HWND window = named(a[1]);
    const DWORD timeout = a.size() > 2 ? static_cast<DWORD>(number(a[2])) : kDefaultTimeout;
    DWORD waited = 0;
    while (GetForegroundWindow() != window) {
        if (waited >= timeout) fail(a[1] + " is not the foreground window");
        Sleep(kPoll);
        waited += kPoll;
    }
}

void closeWindow(const Args& a) {
    PostMessageA(named(a[1]), WM_SYSCOMMAND, SC_CLOSE, 0);
}

void broadcast(const Args& a) {
    // WM_DISPLAYCHANGE, by its name, as the system sends it when the monitors
    // change: Wine does not for a change made outside it (xrandr).
    if (a[1] == "WM_DISPLAYCHANGE") {
        PostMessageW(HWND_BROADCAST, WM_DISPLAYCHANGE, 24,
                     MAKELPARAM(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)));
        return;
    }
    const UINT registered = RegisterWindowMessageW(wide(a[1]).c_str());
    if (registered == 0) fail("cannot register " + a[1]);
    PostMessageA(HWND_BROADCAST, registered, 0, 0);
}

// Kept until the driver ends, as another copy starting (or another program
// using the name) would hold it.
void holdMutex(const Args& a) {
    if (CreateMutexW(nullptr, FALSE, wide(a[1]).c_str()) == nullptr) fail("cannot create the mutex " + a[1]);
}

void answerBox(const Args& a) {
    const std::map<std::string, int> buttons{{"yes", IDYES}, {"no", IDNO}, {"ok", IDOK}, {"cancel", IDCANCEL}};
    auto button = buttons.find(a[3]);
    if (button == buttons.end()) fail("unknown button " + a[3]);
    HWND box = nullptr;
    for (DWORD waited = 0; (box = messageBox(a[1], &a[2])) == nullptr; waited += kPoll) {
        if (waited >= timeoutArg(a, 4)) {
            describeBoxes();
            fail("no message box " + shown(a[1]) + " saying " + shown(a[2]));
        }
        Sleep(kPoll);
    }
    HWND target = GetDlgItem(box, button->second);
    if (target == nullptr) fail("the message box has no button " + a[3]);
    postClick(box, target);
    for (DWORD waited = 0; IsWindow(box) && waited < kDefaultTimeout; waited += kPoll) Sleep(kPoll);
    if (IsWindow(box)) fail("the message box did not close");
}

void expectNoBox(const Args& a) {
    const DWORD span = timeoutArg(a, 2);
    for (DWORD waited = 0; waited <= span; waited += kPoll) {
        if (messageBox(a[1], nullptr) != nullptr) {
            describeBoxes();
            fail("a message box " + shown(a[1]) + " is shown");
        }
        Sleep(kPoll);
    }
}

// --- verbs: controls

void expectText(const Args& a) {
    const std::string text = windowText(control(named(a[1]), a[2]));
    if (text != a[3]) fail("text is " + shown(text) + ", expected " + shown(a[3]));
}

// A control's state, 0 or 1, against the script's.
void expectState(const Args& a, long actual) {
    if (actual != number(a[3])) fail(a[0] + ": " + std::to_string(actual));
}

void expectChecked(const Args& a) {
    expectState(a, static_cast<long>(sendTo(control(named(a[1]), a[2]), BM_GETCHECK, 0, 0)));
}

void expectEnabled(const Args& a) {
    expectState(a, IsWindowEnabled(control(named(a[1]), a[2])) ? 1 : 0);
}

void setText(const Args& a) {
    const std::wstring text = wide(a[3]);
    sendTo(control(named(a[1]), a[2]), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void click(const Args& a) {
    HWND window = named(a[1]);
    HWND button = control(window, a[2]);
    if (!IsWindowEnabled(button)) fail("control " + a[2] + " is disabled");
    // BM_CLICK checks radio buttons and check boxes as a mouse click does.
    PostMessageA(button, BM_CLICK, 0, 0);
}

void postCommand(const Args& a) {
    HWND window = named(a[1]);
    const int id = static_cast<int>(number(a[2]));
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
}

void keyPress(const Args& a) {
    HWND target = control(named(a[1]), a[2]);
    const long count = a.size() > 4 ? number(a[4]) : 1;
    for (long i = 0; i < count; ++i) pressKey(target, static_cast<UINT>(number(a[3])));
}

// The system answers F1 with WM_KEYF1 to the window with the focus, whose default
// handling sends WM_HELP with the control's help record; a posted key press does
// not pass that way, so WM_KEYF1 is posted.
void helpKey(const Args& a) {
    PostMessageA(control(named(a[1]), a[2]), 0x004D /* WM_KEYF1 */, 0, 0);
}

void upDown(const Args& a) {
    HWND arrows = control(named(a[1]), a[2]);
    RECT r;
    GetClientRect(arrows, &r);
    const LPARAM at = MAKELPARAM(r.right / 2, a[3] == "up" ? r.bottom / 4 : r.bottom * 3 / 4);
    PostMessageA(arrows, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(arrows, WM_LBUTTONUP, 0, at);
}

// The DROPFILES block is written into the program's memory, as a drop would hand
// it over; the program releases it with DragFinish.
void dropFiles(const Args& a) {
    if (launched.hProcess == nullptr) fail("nothing launched");
    HWND target = control(named(a[1]), a[2]);
    std::string block(sizeof(DROPFILES), '\0');
    DROPFILES header{};
    header.pFiles = sizeof(DROPFILES);
    header.fWide = TRUE;
    std::memcpy(&block[0], &header, sizeof header);
    for (const std::string& name : items(a[3])) {
        const std::wstring text = wide(name);
        block.append(reinterpret_cast<const char*>(text.c_str()), (text.size() + 1) * sizeof(wchar_t));
    }
    block.append(sizeof(wchar_t), '\0');
    void* remote = VirtualAllocEx(launched.hProcess, nullptr, block.size(), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (remote == nullptr) fail("cannot allocate in the program");
    if (!WriteProcessMemory(launched.hProcess, remote, block.data(), block.size(), nullptr)) {
        fail("cannot write into the program");
    }
    PostMessageA(target, WM_DROPFILES, reinterpret_cast<WPARAM>(remote), 0);
}

// --- verbs: list boxes

void expectCount(const Args& a) {
    const LRESULT count = sendTo(control(named(a[1]), a[2]), LB_GETCOUNT, 0, 0);
    if (count != number(a[3])) fail("the list has " + std::to_string(count) + " lines");
}

void expectLine(const Args& a) {
    const std::string line = listLine(control(named(a[1]), a[2]), static_cast<int>(number(a[3])));
    if (line != a[4]) fail("line " + a[3] + " is " + shown(line) + ", expected " + shown(a[4]));
}

void expectLinesSet(const Args& a) {
    HWND list = control(named(a[1]), a[2]);
    std::vector<std::string> wanted = items(a[4]);
    const LRESULT count = sendTo(list, LB_GETCOUNT, 0, 0);
    const long first = number(a[3]);
    if (count != first + static_cast<long>(wanted.size())) fail("the list has " + std::to_string(count) + " lines");
    for (long i = first; i < count; ++i) {
        const std::string line = listLine(list, static_cast<int>(i));
        bool matched = false;
        for (std::string& w : wanted) {
            if (!matched && w == line) {
                w = std::string(1, '\0');
                matched = true;
            }
        }
        if (!matched) fail("unexpected line " + shown(line));
    }
}

// The list box's selected lines, ascending.
std::vector<int> selectedLines(HWND list) {
    const LRESULT count = sendTo(list, LB_GETSELCOUNT, 0, 0);
    std::vector<int> selected(count > 0 ? static_cast<size_t>(count) : 0);
    if (count > 0) sendTo(list, LB_GETSELITEMS, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(selected.data()));
    return selected;
}

void expectSelected(const Args& a) {
    const std::vector<int> selected = selectedLines(control(named(a[1]), a[2]));
    if (selected != numbers(a[3])) {
        std::string got;
        for (int i : selected) got += std::to_string(i) + " ";
        fail("selected lines are " + got);
    }
}

void expectSelectedRange(const Args& a) {
    const std::vector<int> selected = selectedLines(control(named(a[1]), a[2]));
    const long first = number(a[3]);
    const long last = number(a[4]);
    bool same = static_cast<long>(selected.size()) == last - first + 1;
    for (size_t i = 0; same && i < selected.size(); ++i) same = selected[i] == first + static_cast<long>(i);
    if (!same) fail(std::to_string(selected.size()) + " lines selected, not exactly " + a[3] + " to " + a[4]);
}

void selectLines(const Args& a) {
    HWND list = control(named(a[1]), a[2]);
    sendTo(list, LB_SETSEL, FALSE, -1);
    for (int index : numbers(a[3])) sendTo(list, LB_SETSEL, TRUE, index);
}

void selectRange(const Args& a) {
    HWND list = control(named(a[1]), a[2]);
    sendTo(list, LB_SETSEL, FALSE, -1);
    sendTo(list, LB_SELITEMRANGEEX, static_cast<WPARAM>(number(a[3])), number(a[4]));
}

void selectText(const Args& a) {
    HWND list = control(named(a[1]), a[2]);
    const LRESULT count = sendTo(list, LB_GETCOUNT, 0, 0);
    int found = -1;
    for (int i = 0; i < count && found < 0; ++i) {
        if (listLine(list, i) == a[3]) found = i;
    }
    if (found < 0) fail("no line " + shown(a[3]));
    sendTo(list, LB_SETSEL, TRUE, found);
}

void rememberList(const Args& a) {
    HWND list = control(named(a[1]), a[2]);
    const LRESULT count = sendTo(list, LB_GETCOUNT, 0, 0);
    std::vector<std::string>& lines = remembered[a[3]];
    lines.clear();
    for (int i = 0; i < count; ++i) lines.push_back(listLine(list, i));
    say("  %d lines", static_cast<int>(count));
}

// --- verbs: tree views

void treeSelect(const Args& a) {
    HWND tree = control(named(a[1]), a[2]);
    HTREEITEM item = nullptr;
    bool first = true;
    for (int index : numbers(a[3])) {
        item = reinterpret_cast<HTREEITEM>(
            sendTo(tree, TVM_GETNEXTITEM, first ? TVGN_ROOT : TVGN_CHILD, reinterpret_cast<LPARAM>(item)));
        first = false;
        for (int i = 0; i < index && item != nullptr; ++i) {
            item =
                reinterpret_cast<HTREEITEM>(sendTo(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)));
        }
        if (item == nullptr) fail("no tree item " + a[3]);
    }
    sendTo(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
}

void treeFind(const Args& a) {
    HWND window = named(a[1]);
    HWND tree = control(window, a[2]);
    HWND edit = control(window, a[3]);
    const LPARAM parent = sendTo(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
    if (parent == 0) fail("nothing selected in the tree");
    bool found = false;
    for (LPARAM item = sendTo(tree, TVM_GETNEXTITEM, TVGN_CHILD, parent); item != 0 && !found;
         item = sendTo(tree, TVM_GETNEXTITEM, TVGN_NEXT, item)) {
        sendTo(tree, TVM_SELECTITEM, TVGN_CARET, item);
        found = windowText(edit) == a[4];
    }
    if (!found) fail("no child item for " + shown(a[4]));
}

// Selects the item whose selection puts TEXT into the edit control among the
// items from FIRST on; false when none does.
bool selectAmong(HWND tree, HWND edit, LPARAM first, const std::string& text) {
    for (LPARAM item = first; item != 0; item = sendTo(tree, TVM_GETNEXTITEM, TVGN_NEXT, item)) {
        sendTo(tree, TVM_SELECTITEM, TVGN_CARET, item);
        if (windowText(edit) == text) return true;
    }
    return false;
}

// Opens the tree down to a directory as a user would: its drive, then each
// directory on the way, opened with the right arrow key.
void treePath(const Args& a) {
    HWND window = named(a[1]);
    HWND tree = control(window, a[2]);
    HWND edit = control(window, a[3]);
    const std::string& path = a[4];
    size_t end = path.find('\\');
    if (end == std::string::npos) fail("not a path: " + shown(path));
    if (!selectAmong(tree, edit, sendTo(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0), path.substr(0, end + 1))) {
        fail("no drive for " + shown(path));
    }
    while (end + 1 < path.size()) {
        end = path.find('\\', end + 1);
        const std::string step = path.substr(0, end);
        const LPARAM parent = sendTo(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
        pressKey(tree, VK_RIGHT);
        LPARAM first = 0;
        for (DWORD waited = 0; (first = sendTo(tree, TVM_GETNEXTITEM, TVGN_CHILD, parent)) == 0; waited += kPoll) {
            if (waited >= kDefaultTimeout) fail("the item before " + shown(step) + " did not open");
            Sleep(kPoll);
        }
        Sleep(200);  // the whole directory is read at once, but let it settle
        if (!selectAmong(tree, edit, first, step)) fail("no tree item for " + shown(step));
        if (end == std::string::npos) break;
    }
}

long childCount(HWND tree, LPARAM parent) {
    long count = 0;
    for (LPARAM item = sendTo(tree, TVM_GETNEXTITEM, TVGN_CHILD, parent); item != 0;
         item = sendTo(tree, TVM_GETNEXTITEM, TVGN_NEXT, item)) {
        ++count;
    }
    return count;
}

void expectTreeChildren(const Args& a) {
    HWND tree = control(named(a[1]), a[2]);
    const LPARAM selected = sendTo(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
    if (selected == 0) fail("nothing selected in the tree");
    const long count = childCount(tree, selected);
    if (count != number(a[3])) fail("the item has " + std::to_string(count) + " children");
}

void expectTreeChildrenMin(const Args& a) {
    HWND tree = control(named(a[1]), a[2]);
    const long count = childCount(tree, sendTo(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    if (count < number(a[3])) fail("the item has " + std::to_string(count) + " children");
}

void expectTreeExpanded(const Args& a) {
    HWND tree = control(named(a[1]), a[2]);
    const LPARAM selected = sendTo(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
    const long expanded =
        (sendTo(tree, TVM_GETITEMSTATE, static_cast<WPARAM>(selected), TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
    if (expanded != number(a[3])) fail("expanded is " + std::to_string(expanded));
}

// --- verbs: the tray and its menu

void trayMouse(const Args& a) {
    const LPARAM mouse = a[1] == "dblclk" ? WM_LBUTTONDBLCLK : a[1] == "rbuttonup" ? WM_RBUTTONUP : number(a[1]);
    PostMessageA(trayWindow(), WM_USER, 0, mouse);
}

void menuPick(const Args& a) {
    HWND menu = waitForMenu();
    Sleep(200);
    const long n = number(a[1]);
    for (long i = 0; i < n; ++i) pressKey(menu, VK_DOWN);
    pressKey(menu, VK_RETURN);
    for (DWORD waited = 0; IsWindowVisible(menu) && waited < kDefaultTimeout; waited += kPoll) Sleep(kPoll);
}

void menuDismiss(const Args&) {
    HWND menu = waitForMenu();
    Sleep(200);
    pressKey(menu, VK_ESCAPE);
    for (DWORD waited = 0; IsWindowVisible(menu) && waited < kDefaultTimeout; waited += kPoll) Sleep(kPoll);
}

void expectTrayIcon(const Args& a) {
    if (FindWindowW(L"Shell_TrayWnd", nullptr) == nullptr) fail("no taskbar");
    const bool shown = trayIconShown();
    if ((shown ? 1 : 0) != number(a[1])) fail(shown ? "the icon is shown" : "the icon is not shown");
}

void trayIconRemove(const Args&) {
    NOTIFYICONDATAW icon{};
    icon.cbSize = NOTIFYICONDATAW_V1_SIZE;
    icon.hWnd = trayWindow();
    icon.uID = 0;
    if (!Shell_NotifyIconW(NIM_DELETE, &icon)) fail("the icon could not be removed");
}

// --- verbs: the keyboard

// "ctrl+alt+shift+win" (any of them, "none" for none) as RegisterHotKey's modifiers.
UINT modifiers(const std::string& text) {
    UINT mods = 0;
    const std::string rest = text + "+";
    size_t start = 0;
    for (size_t plus; (plus = rest.find('+', start)) != std::string::npos; start = plus + 1) {
        const std::string word = rest.substr(start, plus - start);
        if (word == "ctrl") {
            mods |= MOD_CONTROL;
        } else if (word == "alt") {
            mods |= MOD_ALT;
        } else if (word == "shift") {
            mods |= MOD_SHIFT;
        } else if (word == "win") {
            mods |= MOD_WIN;
        } else if (word != "none") {
            fail("unknown modifier " + word);
        }
    }
    return mods;
}

void keyInput(std::vector<INPUT>& inputs, WORD key, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(key, MAPVK_VK_TO_VSC));
    const bool extended =
        key == VK_LWIN || key == VK_RWIN || (key >= VK_PRIOR && key <= VK_DOWN) || key == VK_INSERT || key == VK_DELETE;
    input.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (extended ? KEYEVENTF_EXTENDEDKEY : 0);
    inputs.push_back(input);
}

// A chord typed on the keyboard, through the system's input path (posted key
// messages reach windows, never the system's hotkeys).
void pressChord(const Args& a) {
    const UINT mods = modifiers(a[1]);
    const WORD key = static_cast<WORD>(number(a[2]));
    const std::pair<UINT, WORD> modifierKeys[] = {
        {MOD_CONTROL, VK_CONTROL}, {MOD_ALT, VK_MENU}, {MOD_SHIFT, VK_SHIFT}, {MOD_WIN, VK_LWIN}};
    std::vector<INPUT> inputs;
    for (const auto& m : modifierKeys) {
        if (mods & m.first) keyInput(inputs, m.second, false);
    }
    keyInput(inputs, key, false);
    keyInput(inputs, key, true);
    for (const auto& m : modifierKeys) {
        if (mods & m.first) keyInput(inputs, m.second, true);
    }
    if (SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) != inputs.size()) {
        fail("SendInput refused the keys (error " + std::to_string(GetLastError()) + ")");
    }
}

// Held until the driver ends, as another program holding the chord would.
void holdHotkey(const Args& a) {
    static int identifier = 0x100;
    if (!RegisterHotKey(nullptr, identifier++, modifiers(a[1]), static_cast<UINT>(number(a[2])))) {
        fail("cannot register the hotkey (error " + std::to_string(GetLastError()) + ")");
    }
}

// Makes the window the foreground one with the control focused, for typed keys.
void focusControl(const Args& a) {
    HWND window = named(a[1]);
    HWND target = control(window, a[2]);
    SetForegroundWindow(window);
    SendMessageA(window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(target), TRUE);
    for (DWORD waited = 0; GetForegroundWindow() != window; waited += kPoll) {
        if (waited >= kDefaultTimeout) fail("the window did not come to the foreground");
        Sleep(kPoll);
    }
}

void setHotkeyField(const Args& a) {
    sendTo(control(named(a[1]), a[2]), HKM_SETHOTKEY, static_cast<WPARAM>(number(a[3])), 0);
}

void expectHotkeyField(const Args& a) {
    const long value = static_cast<long>(sendTo(control(named(a[1]), a[2]), HKM_GETHOTKEY, 0, 0) & 0xFFFF);
    if (value != number(a[3])) fail("the hotkey field holds " + std::to_string(value));
}

// --- verbs: layout

void expectClient(const Args& a) {
    HWND window = named(a[1]);
    templateSizes[window] = {static_cast<int>(number(a[2])), static_cast<int>(number(a[3]))};
    // The client area must be what the template's size gives with the dialog's
    // font ("MS Sans Serif" 8: 1.5 pixels a unit across, 1.5 to 1.625 down at 96 dpi).
    RECT client;
    GetClientRect(window, &client);
    const double ux = static_cast<double>(client.right) / number(a[2]);
    const double uy = static_cast<double>(client.bottom) / number(a[3]);
    say("  client %ldx%ld pixels: %.3f x %.3f pixels a unit", client.right, client.bottom, ux, uy);
    if (ux < 1.45 || ux > 1.55 || uy < 1.45 || uy > 1.7) fail("the dialog's size does not fit its template and font");
    LOGFONTW font{};
    HFONT handle = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
    if (handle != nullptr && GetObjectW(handle, sizeof font, &font) == sizeof font) {
        say("  font %s, height %ld", utf8(font.lfFaceName).c_str(), static_cast<long>(font.lfHeight));
        if (std::wcscmp(font.lfFaceName, L"MS Sans Serif") != 0) fail("the dialog's font is not MS Sans Serif");
    }
}

void expectControl(const Args& a) {
    HWND window = named(a[1]);
    auto size = templateSizes.find(window);
    if (size == templateSizes.end()) fail("expect-client first");
    HWND child = selectChild(window, a[2]);
    if (className(child) != a[3]) fail("class is " + className(child));
    const DialogUnits units = unitsOf(window, size->second.first, size->second.second);
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
    const double got[4] = {r.left / units.x, r.top / units.y, (r.right - r.left) / units.x,
                           (r.bottom - r.top) / units.y};
    const char* names[4] = {"x", "y", "width", "height"};
    for (int i = 0; i < 4; ++i) {
        if (a[4 + i] == "*") continue;  // not checked (a list box rounds its height to whole lines)
        const double expected = static_cast<double>(number(a[4 + i]));
        if (got[i] < expected - 1.01 || got[i] > expected + 1.01) {
            fail(a[2] + ": " + names[i] + " is " + std::to_string(got[i]) + " units, expected " + a[4 + i]);
        }
    }
    if (a.size() > 8) {
        const unsigned long style = static_cast<unsigned long>(GetWindowLongA(child, GWL_STYLE));
        const unsigned long bits = static_cast<unsigned long>(std::strtoul(a[8].c_str(), nullptr, 0));
        if ((style & bits) != bits) fail(a[2] + ": style " + std::to_string(style) + " lacks " + a[8]);
    }
}

// Bits the window's own style (GWL_STYLE) or extended style (GWL_EXSTYLE) must have.
void expectStyleBits(const Args& a, int which) {
    const unsigned long style = static_cast<unsigned long>(GetWindowLongA(named(a[1]), which));
    const unsigned long bits = static_cast<unsigned long>(std::strtoul(a[2].c_str(), nullptr, 0));
    if ((style & bits) != bits) fail(a[0] + ": " + std::to_string(style) + " lacks " + a[2]);
}

void expectStyle(const Args& a) {
    expectStyleBits(a, GWL_STYLE);
}

void expectExStyle(const Args& a) {
    expectStyleBits(a, GWL_EXSTYLE);
}

void expectOrder(const Args& a) {
    std::vector<int> ids;
    for (HWND child : children(named(a[1]))) ids.push_back(GetDlgCtrlID(child));
    size_t at = 0;
    for (int wanted : numbers(a[2])) {
        while (at < ids.size() && ids[at] != wanted) ++at;
        if (at == ids.size()) fail("control " + std::to_string(wanted) + " is out of order");
        ++at;
    }
}

// --- verbs: diagnostics

void snap(const Args& a) {
    snapshot(a[1]);
}

void dumpWindow(const Args& a) {
    dump(named(a[1]));
}

void dumpList(const Args& a) {
    HWND list = control(named(a[1]), a[2]);
    const LRESULT count = sendTo(list, LB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; ++i) {
        const LRESULT length = sendTo(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
        say("  line %d: %ld characters, read %d", i, static_cast<long>(length),
            static_cast<int>(listLine(list, i).size()));
    }
}

void dumpBoxes(const Args&) {
    describeBoxes();
}

// --- the table of verbs -----------------------------------------------------------

struct Verb {
    const char* name;
    void (*run)(const Args&);
    size_t arguments;    // the fewest it takes: the words of its syntax outside brackets
    const char* syntax;  // its arguments, the optional ones in brackets
    const char* meaning;
};

struct VerbGroup {
    const char* title;
    std::vector<Verb> verbs;
};

const std::vector<VerbGroup> kVerbGroups = {
    {"The program and the script",
     {
         {"log", logText, 1, "TEXT", "copy TEXT into the report"},
         {"sleep", sleepFor, 1, "MS", "wait MS"},
         {"launch", launch, 2, "EXE WORKDIR [ARGS]", "start a program (Vellumere) in WORKDIR"},
         {"run-redirected", runRedirected, 6, "EXE WORKDIR ARGS CODE OUT ERR",
          "run it to its end, standard output and error into files; it exits with CODE"},
         {"expect-exit", expectExit, 0, "[TIMEOUT]", "the launched program ends; its exit code goes into the report"},
         {"expect-running", expectRunning, 1, "MS", "the launched program is still running after MS"},
         {"expect-exit-code", expectExitCode, 1, "CODE [TIMEOUT]", "the launched program ends with exit code CODE"},
         {"expect-no-tray-window", expectNoTrayWindow, 0, "[TIMEOUT]", "the program's tray window is gone"},
     }},
    {"The registry (NAME: a value under the program's key)",
     {
         {"reg-clear", regClear, 0, "", "delete the program's key and the file dialogs' memory of the last folder"},
         {"reg-set", regSet, 2, "NAME TEXT", "store TEXT as a REG_SZ value"},
         {"reg-set-list", regSetList, 3, "NAME PREFIX N [FIRST]",
          "an image list: FIRST, then PREFIX0000 ... PREFIX(N-1)"},
         {"reg-expect", regExpect, 2, "NAME TEXT", "the value exists with exactly this text (waits for it)"},
         {"reg-expect-absent", regExpectAbsent, 1, "NAME", "the value does not exist"},
         {"reg-expect-entries", regExpectEntries, 2, "NAME N",
          "the value holds an image list of N entries (waits for it)"},
         {"reg-expect-list", regExpectList, 2, "NAME LIST", "the value is the remembered LIST as an image list"},
         {"reg-dump-entries", regDumpEntries, 1, "NAME", "report the lengths of the value's entries"},
     }},
    {"Files",
     {
         {"file-expect-list", fileExpectList, 2, "PATH LIST", "the file holds the remembered LIST as an image list"},
         {"file-expect-same", fileExpectSame, 2, "PATH REFERENCE [TIMEOUT]",
          "the file holds the reference file's bytes"},
         {"file-expect-text", fileExpectText, 2, "PATH TEXT [TIMEOUT]", "the file holds exactly TEXT"},
         {"file-expect-start", fileExpectStart, 2, "PATH TEXT", "the file begins with TEXT"},
         {"file-expect-absent", fileExpectAbsent, 1, "PATH [MS]", "the file does not appear within MS"},
         {"file-write", fileWrite, 2, "PATH TEXT", "write TEXT as the file's content"},
         {"file-delete", fileDelete, 1, "PATH", "delete the file, if there is one"},
         {"file-hold", fileHold, 1, "PATH", "keep the file open, unshared, until the driver ends"},
         {"file-copy", fileCopy, 2, "FROM TO", "keep a copy of a file for the checks made afterwards"},
     }},
    {"The wallpaper (HKCU\\Control Panel\\Desktop \"Wallpaper\")",
     {
         {"wallpaper-set", wallpaperSet, 1, "TEXT", "set it to TEXT"},
         {"wallpaper-expect", wallpaperExpect, 1, "TEXT [TIMEOUT]", "it becomes TEXT"},
         {"wallpaper-expect-prefix", wallpaperExpectPrefix, 1, "TEXT [TIMEOUT]",
          "it becomes one that begins with TEXT"},
         {"wallpaper-expect-line", wallpaperExpectLine, 2, "LIST INDEX",
          "it becomes line INDEX of the remembered LIST"},
     }},
    {"Windows and message boxes",
     {
         {"find", findWindow, 3, "NAME CLASS TITLE [TIMEOUT]",
          "wait for a visible top-level window (\"*\" = any class), known as NAME from then on"},
         {"expect-windows", expectWindows, 3, "CLASS TITLE N", "exactly N such visible windows"},
         {"expect-none", expectNone, 2, "CLASS TITLE [MS]", "no such visible window appears within MS"},
         {"expect-gone", expectGone, 1, "NAME [TIMEOUT]", "the named window is destroyed"},
         {"expect-foreground", expectForeground, 1, "WIN [TIMEOUT]", "the named window becomes the foreground window"},
         {"close", closeWindow, 1, "WIN", "the caption's close button"},
         {"broadcast", broadcast, 1, "MESSAGE",
          "post a registered window message (by name), or WM_DISPLAYCHANGE, to every top-level window"},
         {"hold-mutex", holdMutex, 1, "NAME", "create a mutex of that name and keep it while the driver runs"},
         {"box", answerBox, 3, "TITLE TEXT BUTTON [TIMEOUT]",
          "a message box with this caption and text; press BUTTON (yes, no, ok, cancel)"},
         {"expect-no-box", expectNoBox, 1, "TITLE [MS]", "no message box with this caption within MS"},
     }},
    {"Controls (ID: a dialog id, or 0 for the window itself)",
     {
         {"expect-text", expectText, 3, "WIN ID TEXT", "the control's text is exactly TEXT"},
         {"expect-checked", expectChecked, 3, "WIN ID 0|1", "whether the button is checked"},
         {"expect-enabled", expectEnabled, 3, "WIN ID 0|1", "whether the control is enabled"},
         {"set-text", setText, 3, "WIN ID TEXT", "set the control's text"},
         {"click", click, 2, "WIN ID", "press a button (BM_CLICK)"},
         {"command", postCommand, 2, "WIN ID", "post WM_COMMAND for ID"},
         {"key", keyPress, 3, "WIN ID VK [COUNT]", "key press (hex or decimal virtual key) to a control"},
         {"help", helpKey, 2, "WIN ID", "F1 on a control (context help)"},
         {"updown", upDown, 3, "WIN ID up|down", "a click on an up-down control's arrow"},
         {"drop", dropFiles, 3, "WIN ID \"name|name|...\"", "files dropped onto a window (ID 0) or a control"},
     }},
    {"List boxes",
     {
         {"expect-count", expectCount, 3, "WIN ID N", "the list box has N lines"},
         {"expect-line", expectLine, 4, "WIN ID INDEX TEXT", "line INDEX is TEXT"},
         {"expect-lines-set", expectLinesSet, 4, "WIN ID FIRST \"a|b|c\"",
          "lines FIRST... are exactly these, in any order"},
         {"expect-selected", expectSelected, 3, "WIN ID \"i j k\"", "the selected lines, ascending"},
         {"expect-selected-range", expectSelectedRange, 4, "WIN ID FIRST LAST",
          "exactly lines FIRST to LAST are selected"},
         {"select", selectLines, 3, "WIN ID \"i j k\"", "select exactly these lines"},
         {"select-range", selectRange, 4, "WIN ID FIRST LAST", "select exactly lines FIRST to LAST"},
         {"select-text", selectText, 3, "WIN ID TEXT", "also select the first line with this text"},
         {"remember-list", rememberList, 3, "WIN ID LIST", "keep the list box's lines under the name LIST"},
     }},
    {"Tree views (the checks look at the selected item)",
     {
         {"tree-select", treeSelect, 3, "WIN ID \"i j ...\"", "select the i-th root item's j-th child ..."},
         {"tree-find", treeFind, 4, "WIN TREE EDIT TEXT",
          "select the child of the selected item whose selection puts TEXT into the edit control"},
         {"tree-path", treePath, 4, "WIN TREE EDIT PATH",
          "open the tree down to PATH (a directory), selecting it, as the arrow keys would"},
         {"expect-tree-expanded", expectTreeExpanded, 3, "WIN ID 0|1", "whether it is expanded"},
         {"expect-tree-children", expectTreeChildren, 3, "WIN ID N", "it has N children"},
         {"expect-tree-children-min", expectTreeChildrenMin, 3, "WIN ID N", "it has at least N children"},
     }},
    {"The tray and its menu",
     {
         {"tray", trayMouse, 1, "MOUSE",
          "the notification icon's callback with a mouse message: dblclk, rbuttonup or a number"},
         {"menu-pick", menuPick, 1, "N", "in the open popup menu, choose the Nth item (separators skipped)"},
         {"menu-dismiss", menuDismiss, 0, "", "close the open popup menu"},
         {"expect-tray-icon", expectTrayIcon, 1, "0|1", "whether the taskbar holds the program's icon"},
         {"tray-icon-remove", trayIconRemove, 0, "",
          "take the program's icon off the taskbar, as a restarting Explorer loses it"},
     }},
    {"The keyboard (MODS: ctrl+alt+shift+win, any of them, or none; VK: a virtual key)",
     {
         {"press", pressChord, 2, "MODS VK", "type the chord through the system's input (SendInput)"},
         {"hold-hotkey", holdHotkey, 2, "MODS VK",
          "register the chord as a hotkey of the driver's, kept while it runs"},
         {"focus", focusControl, 2, "WIN ID", "bring the window to the foreground with the control focused"},
         {"set-hotkey", setHotkeyField, 3, "WIN ID VALUE", "set a hotkey field (HKM_SETHOTKEY)"},
         {"expect-hotkey", expectHotkeyField, 3, "WIN ID VALUE", "a hotkey field holds VALUE (HKM_GETHOTKEY)"},
     }},
    {"Layout (in dialog units)",
     {
         {"expect-client", expectClient, 3, "WIN W H", "the client area fits a W x H unit template"},
         {"expect-control", expectControl, 7, "WIN SELECTOR CLASS X Y W H [STYLE]",
          "a child's place (within 1 unit, \"*\" skips one), class and style bits; SELECTOR: an id or \"text:...\""},
         {"expect-style", expectStyle, 2, "WIN BITS", "bits of the window's own style"},
         {"expect-exstyle", expectExStyle, 2, "WIN BITS", "bits of the window's own extended style"},
         {"expect-order", expectOrder, 2, "WIN \"id id id ...\"", "these child ids appear in this order (tab order)"},
     }},
    {"Diagnostics",
     {
         {"snap", snap, 1, "FILE", "screenshot of the desktop as a BMP file"},
         {"dump", dumpWindow, 1, "WIN", "the window's children: ids, classes, texts, places and styles"},
         {"dump-list", dumpList, 2, "WIN ID", "the lengths of a list box's lines"},
         {"dump-boxes", dumpBoxes, 0, "", "the visible dialogs' captions and texts"},
     }},
};

const char kUsage[] =
    "usage: driver SCRIPT REPORT\n"
    "\n"
    "Runs SCRIPT and writes what it saw to REPORT, which ends with \"RESULT PASS\" or\n"
    "\"RESULT FAIL\"; the first failed check ends the run, and every wait is bounded.\n"
    "A script holds one verb a line; '#' starts a comment line. Arguments are separated\n"
    "by blanks; one in double quotes may hold blanks and the escapes \\n \\t \\r \\a (BEL)\n"
    "\\\" \\\\ and \\xHH (a raw byte), and %{N*C} in any stands for N copies of C. Scripts\n"
    "are UTF-8. Times are in milliseconds.\n"
    "WIN is a window kept by find under a name.\n";

// Where the verbs' meanings start in the usage; a longer syntax puts its meaning
// on a line of its own.
const size_t kMeaningColumn = 40;

void printUsage(FILE* out) {
    fputs(kUsage, out);
    for (const VerbGroup& group : kVerbGroups) {
        fprintf(out, "\n%s:\n", group.title);
        for (const Verb& verb : group.verbs) {
            std::string line = "  " + std::string(verb.name) + (*verb.syntax != '\0' ? " " : "") + verb.syntax;
            if (line.size() + 2 > kMeaningColumn) {
                fprintf(out, "%s\n", line.c_str());
                line.clear();
            }
            line.resize(kMeaningColumn, ' ');
            fprintf(out, "%s%s\n", line.c_str(), verb.meaning);
        }
    }
}

const Verb* verbNamed(const std::string& name) {
    for (const VerbGroup& group : kVerbGroups) {
        for (const Verb& verb : group.verbs) {
            if (name == verb.name) return &verb;
        }
    }
    return nullptr;
}

void run(const Args& a) {
    const Verb* verb = verbNamed(a[0]);
    if (verb == nullptr) {
        printUsage(stderr);
        fail("unknown command " + a[0]);
    }
    need(a, 1 + verb->arguments);
    verb->run(a);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        printUsage(stdout);
        return 0;
    }
    if (argc != 3) {
        printUsage(stderr);
        return 2;
    }
    report = fopen(argv[2], "w");
    if (report == nullptr) return 2;
    FILE* script = fopen(argv[1], "r");
    if (script == nullptr) {
        say("cannot read %s", argv[1]);
        say("RESULT FAIL");
        return 1;
    }
    char buffer[8192];
    int lineNumber = 0;
    bool passed = true;
    while (fgets(buffer, sizeof buffer, script) != nullptr) {
        ++lineNumber;
        std::string line(buffer);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
        const std::vector<std::string> args = tokens(line);
        if (args.empty() || args[0][0] == '#') continue;
        say("%d: %s", lineNumber, line.c_str());
        try {
            run(args);
        } catch (const Failure& failure) {
            say("FAIL at line %d: %s", lineNumber, failure.what.c_str());
            passed = false;
            break;
        }
    }
    fclose(script);
    say(passed ? "RESULT PASS" : "RESULT FAIL");
    fclose(report);
    return passed ? 0 : 1;
}
