#include <windows.h>

#include <climits>
#include <new>
#include <utility>

#include "platform/CodePage.h"
#include "platform/Utf8.h"

namespace platform {
namespace {

class AnsiCodePage : public CodePage {
public:
    std::string toUtf8(std::string_view ansi) const override {
        if (ansi.empty()) return std::string();
        if (ansi.size() > INT_MAX) throw std::bad_alloc();
        const int length = static_cast<int>(ansi.size());
        const int units = MultiByteToWideChar(CP_ACP, 0, ansi.data(), length, nullptr, 0);
        std::wstring wide(static_cast<size_t>(units), L'\0');
        if (units > 0) MultiByteToWideChar(CP_ACP, 0, ansi.data(), length, &wide[0], units);
        return narrow(wide);
    }

    bool fromUtf8(std::string_view utf8, std::string* ansi) const override {
        const std::wstring wide = widen(utf8);
        if (wide.empty()) {
            ansi->clear();
            return true;
        }
        if (wide.size() > INT_MAX) return false;
        // Without best-fit mappings, and told when the default character was
        // used, so that a character without a form here is refused rather
        // than written as a look-alike or "?". The system's UTF-8 code page
        // takes neither (and loses nothing).
        const bool utf8System = GetACP() == CP_UTF8;
        const DWORD flags = utf8System ? 0 : WC_NO_BEST_FIT_CHARS;
        BOOL usedDefault = FALSE;
        BOOL* reportDefault = utf8System ? nullptr : &usedDefault;
        const int units = static_cast<int>(wide.size());
        const int bytes = WideCharToMultiByte(CP_ACP, flags, wide.data(), units, nullptr, 0, nullptr, reportDefault);
        if (bytes <= 0 || usedDefault) return false;
        std::string out(static_cast<size_t>(bytes), '\0');
        if (WideCharToMultiByte(CP_ACP, flags, wide.data(), units, &out[0], bytes, nullptr, reportDefault) != bytes ||
            usedDefault) {
            return false;
        }
        // What the conversion did not say: a character that comes back as
        // another one.
        if (toUtf8(out) != utf8) return false;
        *ansi = std::move(out);
        return true;
    }
};

}  // namespace

CodePage& defaultCodePage() {
    static AnsiCodePage own;
    return own;
}

}  // namespace platform
