#include "wallpaper/ShuffleChoice.h"

#include <unordered_set>
#include <vector>

#include "settings/ImageList.h"
#include "settings/ShuffleRound.h"
#include "wallpaper/RandomChoice.h"

ShuffleDraw drawShuffled(const char* list, int count) {
    std::vector<std::string> entries = splitEntries(list);
    entries.resize(size_t(count));  // text after the last BEL is no entry
    std::unordered_set<std::string> shown;
    for (std::string& entry : splitEntries(readShuffleRound().c_str())) shown.insert(std::move(entry));

    std::vector<int> remaining;
    for (int i = 0; i < count; ++i) {
        if (shown.count(entries[size_t(i)]) == 0) remaining.push_back(i);
    }
    if (remaining.empty()) {  // the round is over: a new one
        shown.clear();
        for (int i = 0; i < count; ++i) remaining.push_back(i);
    }
    ShuffleDraw draw;
    draw.index = remaining[size_t(randomChoice(int(remaining.size())))];
    shown.insert(entries[size_t(draw.index)]);

    // Only entries still in the list, each once, in list order.
    std::unordered_set<std::string> written;
    for (const std::string& entry : entries) {
        if (shown.count(entry) != 0 && written.insert(entry).second) {
            draw.round += entry;
            draw.round += kEntryTerminator;
        }
    }
    return draw;
}
