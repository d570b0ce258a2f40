// Which entries the current shuffle round has shown, kept across restarts.
// The texts of those entries, as an image list, in the value "Shuffle Round";
// when the image list lives in its file, in a file beside it (that file's
// path followed by ".round"), since the round can be as long as the list.
#pragma once

#include <string>

// The entries shown so far in this round; empty when none (or unreadable).
std::string readShuffleRound();

// Stores the round; a failure has been reported and the round is then only
// remembered until the next change.
void storeShuffleRound(const std::string& shown);
