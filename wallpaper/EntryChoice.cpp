#include "wallpaper/EntryChoice.h"

#include <cstring>
#include <vector>

#include "platform/FileSystem.h"
#include "settings/ImageList.h"
#include "wallpaper/RandomChoice.h"

namespace {

bool isAbsolute(std::string_view path) {
    if (!path.empty() && (path[0] == '\\' || path[0] == '/')) return true;
    return path.size() >= 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/');
}

// The entry at `start` of list: its text up to its BEL (or the NUL).
std::string_view entryAt(const char* list, size_t start) {
    const char* p = list + start;
    const char* bel = std::strchr(p, kEntryTerminator);
    return std::string_view(p, bel ? size_t(bel - p) : std::strlen(p));
}

std::string_view entryNumbered(const char* list, int index) {
    size_t start = 0;
    size_t terminator = 0;
    locateEntry(list, index, &start, &terminator);
    return std::string_view(list + start, terminator - start);
}

// Draws that land on an excluded entry are drawn again (which keeps the
// choice uniform) this many times before the eligible entries are listed.
constexpr int kRedraws = 8;

}  // namespace

std::string entryKey(std::string_view entry) {
    if (entry.empty() || isAbsolute(entry)) return excludedKey(entry);
    return excludedKey(platform::fileSystem().fullPath(std::string(entry).c_str()));
}

bool isExcludedEntry(const Exclusions& excluded, std::string_view entry) {
    return !excluded.empty() && !entry.empty() && excluded.containsKey(entryKey(entry));
}

int randomEntry(const char* list, int count, const Exclusions& excluded) {
    for (int attempt = 0; attempt < kRedraws; ++attempt) {
        const int index = randomChoice(count);
        if (!isExcludedEntry(excluded, entryNumbered(list, index))) return index;
    }
    // Most entries are excluded: one walk over the list.
    std::vector<int> eligible;
    size_t start = 0;
    for (int index = 0; index < count; ++index) {
        const std::string_view entry = entryAt(list, start);
        if (!isExcludedEntry(excluded, entry)) eligible.push_back(index);
        start += entry.size() + 1;
    }
    if (eligible.empty()) return -1;
    return eligible[size_t(randomChoice(int(eligible.size())))];
}

int nextEntry(const char* list, int count, int lastIndex, const Exclusions& excluded) {
    int index = (lastIndex < -1 || lastIndex + 1 >= count) ? 0 : lastIndex + 1;
    if (excluded.empty()) return index;
    // One walk from there, round to where it started.
    size_t start = 0;
    size_t terminator = 0;
    locateEntry(list, index, &start, &terminator);
    for (int step = 0; step < count; ++step) {
        const std::string_view entry = entryAt(list, start);
        if (!isExcludedEntry(excluded, entry)) return index;
        if (++index == count) {
            index = 0;
            start = 0;
        } else {
            start += entry.size() + 1;
        }
    }
    return -1;
}
