#include "wallpaper/ShuffleChoice.h"

#include <unordered_set>
#include <vector>

#include "settings/ImageList.h"
#include "wallpaper/EntryChoice.h"
#include "wallpaper/RandomChoice.h"

namespace {

struct Round {
    std::vector<std::string> entries;       // the list's first `count` entries
    std::unordered_set<std::string> shown;  // of those, the ones the round has shown
    std::vector<int> remaining;             // indexes still to come
};

// The remaining entries; all of them when the round is over. Excluded
// entries never remain.
Round readRound(const char* list, int count, const std::string& round, const Exclusions* excluded = nullptr) {
    Round r;
    r.entries = splitEntries(list);
    r.entries.resize(size_t(count));  // text after the last BEL is no entry
    const std::unordered_set<std::string> stored(r.entries.begin(), r.entries.end());
    for (std::string& entry : splitEntries(round.c_str())) {
        if (stored.count(entry) != 0) r.shown.insert(std::move(entry));
    }
    std::vector<bool> eligible(size_t(count), true);
    if (excluded != nullptr && !excluded->empty()) {
        for (int i = 0; i < count; ++i) eligible[size_t(i)] = !isExcludedEntry(*excluded, r.entries[size_t(i)]);
    }
    for (int i = 0; i < count; ++i) {
        if (eligible[size_t(i)] && r.shown.count(r.entries[size_t(i)]) == 0) r.remaining.push_back(i);
    }
    if (r.remaining.empty()) {  // the round is over: a new one
        r.shown.clear();
        for (int i = 0; i < count; ++i) {
            if (eligible[size_t(i)]) r.remaining.push_back(i);
        }
    }
    return r;
}

}  // namespace

int drawShuffled(const char* list, int count, const std::string& round, const Exclusions& excluded) {
    const Round r = readRound(list, count, round, &excluded);
    if (r.remaining.empty()) return -1;
    return r.remaining[size_t(randomChoice(int(r.remaining.size())))];
}

std::string roundAfterShowing(const char* list, int count, const std::string& round, int index) {
    Round r = readRound(list, count, round);
    r.shown.insert(r.entries[size_t(index)]);
    // Only entries still in the list, each once, in list order.
    std::string after;
    std::unordered_set<std::string> written;
    for (const std::string& entry : r.entries) {
        if (r.shown.count(entry) != 0 && written.insert(entry).second) {
            after += entry;
            after += kEntryTerminator;
        }
    }
    return after;
}
