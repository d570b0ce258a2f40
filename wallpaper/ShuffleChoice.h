// "Shuffle": every entry comes once, in random order, before any comes
// again. The round (the entries shown so far, as an image list) adapts to
// the list: an added entry is still to come in this round, a removed one is
// forgotten. A directory counts once per round; an excluded file entry
// counts not at all.
#pragma once

#include <string>

#include "settings/ExcludedList.h"

// Draws uniformly among the first `count` entries of list that are not
// excluded and not yet shown in the round; when all of those have been
// shown, among all of them (a new round). -1 when every entry is excluded.
int drawShuffled(const char* list, int count, const std::string& round, const Exclusions& excluded);

// The round once entry `index` has been set as the wallpaper: the entries
// still in the list that it has shown, each once, in list order. After a
// round that had shown every entry, a new one holding only this entry.
std::string roundAfterShowing(const char* list, int count, const std::string& round, int index);
