#include "settings/ListFile.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>

#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "platform/Messages.h"

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

void reportUnreadable(const char* path) {
    platform::showMessageWithPath("Unable to read file \"%s\".\nYou may need to reconfigure Vellumere.", path,
                                  platform::kErrorCaption, platform::kMbIconWarning);
}

void reportNoMemory() {
    platform::showMessage("Unable to allocate memory", platform::kErrorCaption, platform::kMbIconWarning);
}

// ASCII is the same in UTF-8 and in every ANSI code page: such a text needs
// no conversion, whatever its length.
bool isAscii(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

bool hasByteOrderMark(std::string_view bytes) {
    return bytes.substr(0, kByteOrderMark.size()) == kByteOrderMark;
}

}  // namespace

std::string listFileText(std::string_view bytes) {
    if (hasByteOrderMark(bytes)) return std::string(bytes.substr(kByteOrderMark.size()));
    if (isAscii(bytes)) return std::string(bytes);
    return platform::codePage().toUtf8(bytes);
}

std::string listFileBytes(std::string_view text) {
    if (isAscii(text)) return std::string(text);
    std::string ansi;
    if (platform::codePage().fromUtf8(text, &ansi)) return ansi;
    std::string utf8;
    utf8.reserve(kByteOrderMark.size() + text.size());
    utf8.append(kByteOrderMark).append(text);
    return utf8;
}

std::unique_ptr<char[]> readListFile(const char* path) {
    std::unique_ptr<platform::ReadableFile> file = platform::fileSystem().openForReading(path);
    if (!file) {
        reportUnreadable(path);
        return nullptr;
    }
    uint64_t size = 0;
    if (!file->size(&size)) {
        platform::showMessage("Unable to get file size", platform::kErrorCaption, platform::kMbIconWarning);
        return nullptr;
    }
    std::unique_ptr<char[]> text;
    if (size < std::numeric_limits<size_t>::max()) {
        text.reset(new (std::nothrow) char[size_t(size) + 1]);
    }
    if (!text) {
        reportNoMemory();
        return nullptr;
    }
    size_t got = 0;
    // A failed read must not pass for an empty list: the user would see no
    // entries and could save over the real ones.
    if (!file->read(text.get(), size_t(size), &got)) {
        reportUnreadable(path);
        return nullptr;
    }
    text[got] = '\0';
    // The text ends at its first NUL, as it always has.
    const std::string_view bytes(text.get(), std::strlen(text.get()));
    if (hasByteOrderMark(bytes)) {
        std::memmove(text.get(), bytes.data() + kByteOrderMark.size(), bytes.size() - kByteOrderMark.size() + 1);
        return text;
    }
    if (isAscii(bytes)) return text;
    try {
        const std::string converted = platform::codePage().toUtf8(bytes);
        text.reset();  // the file's bytes: not needed beside their text
        std::unique_ptr<char[]> utf8(new char[converted.size() + 1]);
        std::memcpy(utf8.get(), converted.c_str(), converted.size() + 1);
        return utf8;
    } catch (const std::bad_alloc&) {
        reportNoMemory();
        return nullptr;
    }
}
