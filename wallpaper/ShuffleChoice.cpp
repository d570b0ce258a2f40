#include "wallpaper/ShuffleChoice.h"

#include <algorithm>
#include <unordered_set>
#include <vector>

#include "settings/ImageList.h"
#include "wallpaper/RandomChoice.h"

namespace {

struct Round {
    std::vector<std::string> entries;       // the list's first `count` entries
    std::unordered_set<std::string> shown;  // of those, the ones the round has shown
    std::vector<int> remaining;             // indexes still to come
};

// The remaining entries; all of them when the round is over.
Round readRound(const char* list, int count, const std::string& round) {
    Round r;
    r.entries = splitEntries(list);
    r.entries.resize(size_t(count));  // text after the last BEL is no entry
    const std::unordered_set<std::string> stored(r.entries.begin(), r.entries.end());
    for (std::string& entry : splitEntries(round.c_str())) {
        if (stored.count(entry) != 0) r.shown.insert(std::move(entry));
    }
    for (int i = 0; i < count; ++i) {
        if (r.shown.count(r.entries[size_t(i)]) == 0) r.remaining.push_back(i);
    }
    if (r.remaining.empty()) {  // the round is over: a new one
        r.shown.clear();
        for (int i = 0; i < count; ++i) r.remaining.push_back(i);
    }
    return r;
}

}  // namespace

int drawShuffled(const char* list, int count, const std::string& round) {
    const Round r = readRound(list, count, round);
    return r.remaining[size_t(randomChoice(int(r.remaining.size())))];
}

int drawShuffledAvoiding(const char* list, int count, const std::string& round, const std::vector<int>& taken) {
    const Round r = readRound(list, count, round);
    auto free = [&](const std::vector<int>& from) {
        std::vector<int> left;
        for (int i : from) {
            if (std::find(taken.begin(), taken.end(), i) == taken.end()) left.push_back(i);
        }
        return left;
    };
    std::vector<int> candidates = free(r.remaining);
    if (candidates.empty()) {
        std::vector<int> all;
        for (int i = 0; i < count; ++i) all.push_back(i);
        candidates = free(all);
        if (candidates.empty()) candidates = all;
    }
    return candidates[size_t(randomChoice(int(candidates.size())))];
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
