// Which entries the current shuffle round has shown, kept across restarts.
// The texts of those entries, as an image list, in the value "Shuffle Round";
// when the image list lives in its file, in a file beside it (that file's
// path followed by ".round", written as the list file is), since the round
// can be as long as the list.
// The round is plain data: a stored text that looks like the marker of a
// file-backed value is still just the round's text.
#pragma once

#include <cstddef>
#include <string>

// The entries shown so far in this round. A round never holds more than the
// list it belongs to, so at most `limit` bytes of text are read: a longer round, an
// unreadable one, or one there is no memory for is a new round (empty),
// silently.
std::string readShuffleRound(size_t limit);

// Stores the round, showing nothing; false when it could not be stored.
bool storeShuffleRound(const std::string& shown);
