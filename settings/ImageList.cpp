#include "settings/ImageList.h"

#include <climits>
#include <cstdint>
#include <cstring>
#include <new>

#include "settings/ListScan.h"

int countEntries(const char* list) {
    size_t count = 0;
    skipPast(list, kEntryTerminator, SIZE_MAX, &count);
    return count > size_t(INT_MAX) ? INT_MAX : int(count);
}

void locateEntry(const char* list, int index, size_t* start, size_t* terminator) {
    size_t passed = 0;
    size_t position = index > 0 ? skipPast(list, kEntryTerminator, size_t(index), &passed) : 0;
    size_t inEntry = 0;
    size_t end = position + skipPast(list + position, kEntryTerminator, 1, &inEntry);
    if (index < 0 || passed != size_t(index) || inEntry != 1) {
        // No such entry: both at the end of the string.
        *start = *terminator = index < 0 ? std::strlen(list) : end;
        return;
    }
    *start = position;
    *terminator = end - 1;
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
