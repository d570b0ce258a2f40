// What a start that ends at once (a switch, /?) says to whoever started it.
// The program has no console of its own: the text goes to the output the
// starter redirected, else to the console the starter runs in, else into a
// message box.
#include "app/Application.h"

#include "platform/Messages.h"
#include "platform/Utf8.h"

namespace {

// Windows consoles and text files take CR LF.
std::string withCarriageReturns(const std::string& text) {
    std::string out;
    out.reserve(text.size() + 32);
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

// A file or pipe the starter gave as standard output (or error), written as
// UTF-8; false when there is none.
bool writeToRedirection(DWORD which, const std::string& text) {
    HANDLE handle = GetStdHandle(which);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return false;
    const DWORD type = GetFileType(handle);
    if (type != FILE_TYPE_DISK && type != FILE_TYPE_PIPE) return false;
    const std::string bytes = withCarriageReturns(text);
    DWORD written = 0;
    return WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) != FALSE;
}

// The console of the process that started this one (cmd, PowerShell).
bool writeToParentConsole(const std::string& text) {
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return false;
    HANDLE console = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
    bool written = false;
    if (console != INVALID_HANDLE_VALUE) {
        // The shell has shown its prompt already (it does not wait for a
        // windowed program): start on a line of its own.
        const std::wstring wide = platform::widen("\n" + withCarriageReturns(text));
        DWORD count = 0;
        written = WriteConsoleW(console, wide.data(), static_cast<DWORD>(wide.size()), &count, nullptr) != FALSE;
        CloseHandle(console);
    }
    FreeConsole();
    return written;
}

}  // namespace

void tellStarter(const std::string& text, bool problem) {
    // A line of its own, so the shell's next prompt starts on the next one.
    const std::string line = text.empty() || text.back() != '\n' ? text + "\n" : text;
    if (writeToRedirection(problem ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE, line)) return;
    if (writeToParentConsole(line)) return;
    MessageBoxW(nullptr, platform::widen(text).c_str(),
                platform::widen(problem ? platform::kErrorCaption : platform::kProgramCaption).c_str(),
                problem ? MB_ICONWARNING : MB_ICONINFORMATION);
}
