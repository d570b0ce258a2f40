#include <windows.h>

#include <cstdio>

#include "platform/Messages.h"
#include "platform/Utf8.h"

namespace platform {
namespace {

class Win32MessageSink : public MessageSink {
public:
    int show(const std::string& text, const std::string& caption, unsigned style) override {
        return MessageBoxW(GetActiveWindow(), widen(text).c_str(), widen(caption).c_str(), style);
    }
};

}  // namespace

void writeStandardError(const std::string& text) {
    // A console shows the text as the user reads names in Explorer only when
    // given UTF-16; a file or pipe gets the UTF-8 bytes, for scripts.
    const HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode)) {
        std::fflush(stderr);
        const std::wstring wide = widen(text);
        DWORD written = 0;
        WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
    std::fputs(text.c_str(), stderr);
    std::fflush(stderr);
}

MessageSink& defaultMessageSink() {
    static Win32MessageSink sink;
    return sink;
}

}  // namespace platform
