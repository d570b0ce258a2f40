#include "settings/ListFile.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <new>

#include "platform/FileSystem.h"
#include "platform/Messages.h"

namespace {

void reportUnreadable(const char* path) {
    platform::showMessageWithPath("Unable to read file \"%s\".\nYou may need to reconfigure Vellumere.", path,
                                  platform::kErrorCaption, platform::kMbIconWarning);
}

}  // namespace

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
        platform::showMessage("Unable to allocate memory", platform::kErrorCaption, platform::kMbIconWarning);
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
    return text;
}
