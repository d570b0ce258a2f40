// "Shuffle": every entry comes once, in random order, before any comes
// again. The round (the entries shown so far) is stored, so it goes on after
// a restart, and it adapts to the list: an added entry is still to come in
// this round, a removed one is forgotten. A directory counts once per round.
#pragma once

#include <string>

struct ShuffleDraw {
    int index;          // the entry to show
    std::string round;  // the round once it has been shown, to be stored
};

// Draws uniformly among the first `count` entries of list not yet shown in
// this round; when all have been shown, a new round starts.
ShuffleDraw drawShuffled(const char* list, int count);
