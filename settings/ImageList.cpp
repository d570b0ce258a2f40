#include "settings/ImageList.h"

#include <climits>
#include <cstring>
#include <new>

#include "settings/ByteCount.h"

namespace {

// Entries are found a block at a time: a block whose BELs all lie before the
// wanted one is passed over with a single count.
constexpr size_t kBlockSize = 4096;

}  // namespace

int countEntries(const char* list) {
    size_t count = countByte(list, std::strlen(list), kEntryTerminator);
    return count > size_t(INT_MAX) ? INT_MAX : int(count);
}

void locateEntry(const char* list, int index, size_t* start, size_t* terminator) {
    size_t length = std::strlen(list);
    *start = *terminator = length;
    if (index < 0) return;

    // Find the position just after the index-th BEL.
    size_t toPass = size_t(index);
    size_t position = 0;
    while (toPass > 0 && length - position > kBlockSize) {
        size_t inBlock = countByte(list + position, kBlockSize, kEntryTerminator);
        if (inBlock >= toPass) break;
        toPass -= inBlock;
        position += kBlockSize;
    }
    for (; toPass > 0; --toPass) {
        const void* bel = std::memchr(list + position, kEntryTerminator, length - position);
        if (!bel) return;
        position = size_t(static_cast<const char*>(bel) - list) + 1;
    }

    const void* bel = std::memchr(list + position, kEntryTerminator, length - position);
    if (!bel) return;
    *start = position;
    *terminator = size_t(static_cast<const char*>(bel) - list);
}

void removeEntry(char* list, size_t start, size_t terminator) {
    // Everything after the BEL, the final NUL included, moves down.
    char* from = list + terminator + 1;
    std::memmove(list + start, from, std::strlen(from) + 1);
}

std::unique_ptr<char[]> joinEntries(const std::vector<std::string>& paths) {
    size_t total = paths.size() + 1;
    for (const std::string& path : paths) total += path.size();
    std::unique_ptr<char[]> list(new (std::nothrow) char[total]);
    if (!list) return nullptr;
    char* out = list.get();
    for (const std::string& path : paths) {
        std::memcpy(out, path.data(), path.size());
        out += path.size();
        *out++ = kEntryTerminator;
    }
    *out = '\0';
    return list;
}

std::vector<std::string> splitEntries(const char* list) {
    std::vector<std::string> entries;
    const char* p = list;
    while (*p) {
        const char* bel = std::strchr(p, kEntryTerminator);
        if (!bel) {
            entries.emplace_back(p);  // a tail without its BEL
            break;
        }
        entries.emplace_back(p, size_t(bel - p));
        p = bel + 1;
    }
    return entries;
}
