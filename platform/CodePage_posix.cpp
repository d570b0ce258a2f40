#include <utility>

#include "platform/CodePage.h"
#include "platform/Utf8.h"

namespace platform {
namespace {

// A stand-in with a character set of its own, so that the native tests see
// names with and without an ANSI form: ISO 8859-1.
class Latin1CodePage : public CodePage {
public:
    std::string toUtf8(std::string_view ansi) const override {
        std::string utf8;
        utf8.reserve(ansi.size());
        for (const char c : ansi) {
            const auto byte = static_cast<unsigned char>(c);
            if (byte < 0x80) {
                utf8 += c;
            } else {
                utf8 += static_cast<char>(0xC0 | (byte >> 6));
                utf8 += static_cast<char>(0x80 | (byte & 0x3F));
            }
        }
        return utf8;
    }

    bool fromUtf8(std::string_view utf8, std::string* ansi) const override {
        std::string out;
        out.reserve(utf8.size());
        for (const wchar_t c : widen(utf8)) {
            // Malformed UTF-8 widens to U+FFFD, which has no form here either.
            if (static_cast<unsigned long>(c) > 0xFF) return false;
            out += static_cast<char>(c);
        }
        *ansi = std::move(out);
        return true;
    }
};

}  // namespace

CodePage& defaultCodePage() {
    static Latin1CodePage own;
    return own;
}

}  // namespace platform
