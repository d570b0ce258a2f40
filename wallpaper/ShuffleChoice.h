// "Shuffle": every entry comes once, in random order, before any comes
// again. The round (the entries shown so far, as an image list) adapts to
// the list: an added entry is still to come in this round, a removed one is
// forgotten. A directory counts once per round.
#pragma once

#include <string>
#include <vector>

// Draws uniformly among the first `count` entries of list not yet shown in
// the round; when all have been shown, among all of them (a new round).
int drawShuffled(const char* list, int count, const std::string& round);
// The same, never one of `taken` (indexes, for pictures already drawn for
// other monitors) while another entry is left: when the round has none but
// those, the draw goes on among the new round's entries.
int drawShuffledAvoiding(const char* list, int count, const std::string& round, const std::vector<int>& taken);

// The round once entry `index` has been set as the wallpaper: the entries
// still in the list that it has shown, each once, in list order. After a
// round that had shown every entry, a new one holding only this entry.
std::string roundAfterShowing(const char* list, int count, const std::string& round, int index);
