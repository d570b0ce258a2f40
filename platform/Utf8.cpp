#include "platform/Utf8.h"

#include <cstdint>

namespace platform {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one code point at text[*at] and advances *at past it (one byte
// for a malformed sequence).
char32_t decodeOne(std::string_view text, size_t* at) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const size_t start = *at;
    const unsigned char lead = byte(start);
    *at = start + 1;
    if (lead < 0x80) return lead;
    size_t extra;
    char32_t value;
    char32_t minimum;
    if (lead >= 0xC2 && lead <= 0xDF) {
        extra = 1, value = lead & 0x1F, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        extra = 2, value = lead & 0x0F, minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        extra = 3, value = lead & 0x07, minimum = 0x10000;
    } else {
        return kReplacement;
    }
    if (text.size() - start - 1 < extra) return kReplacement;
    for (size_t i = 1; i <= extra; ++i) {
        const unsigned char next = byte(start + i);
        if ((next & 0xC0) != 0x80) return kReplacement;
        value = (value << 6) | (next & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return kReplacement;
    *at = start + 1 + extra;
    return value;
}

void appendUtf8(std::string* out, char32_t c) {
    if (c < 0x80) {
        out->push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out->push_back(static_cast<char>(0xC0 | (c >> 6)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out->push_back(static_cast<char>(0xE0 | (c >> 12)));
        out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out->push_back(static_cast<char>(0xF0 | (c >> 18)));
        out->push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

}  // namespace

std::wstring widen(std::string_view utf8) {
    std::wstring out;
    out.reserve(utf8.size());
    for (size_t at = 0; at < utf8.size();) {
        const char32_t c = decodeOne(utf8, &at);
        if (c >= 0x10000 && sizeof(wchar_t) == 2) {
            out.push_back(static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10)));
            out.push_back(static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<wchar_t>(c));
        }
    }
    return out;
}

std::string narrow(std::wstring_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    for (size_t i = 0; i < utf16.size(); ++i) {
        char32_t c = static_cast<char32_t>(utf16[i]);
        if (sizeof(wchar_t) == 2 && c >= 0xD800 && c <= 0xDFFF) {
            const bool paired = c <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 && utf16[i + 1] <= 0xDFFF;
            if (paired) {
                c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char32_t>(utf16[i + 1]) - 0xDC00);
                ++i;
            } else {
                c = kReplacement;
            }
        } else if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            c = kReplacement;
        }
        appendUtf8(&out, c);
    }
    return out;
}

size_t utf16Length(std::string_view utf8) {
    size_t units = 0;
    for (size_t at = 0; at < utf8.size();) units += decodeOne(utf8, &at) >= 0x10000 ? 2 : 1;
    return units;
}

size_t utf8PrefixWithin(std::string_view utf8, size_t units) {
    size_t at = 0;
    for (size_t used = 0; at < utf8.size();) {
        size_t next = at;
        used += decodeOne(utf8, &next) >= 0x10000 ? 2 : 1;
        if (used > units) break;
        at = next;
    }
    return at;
}

}  // namespace platform
