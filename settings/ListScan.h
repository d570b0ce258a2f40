// Walking a long NUL-terminated text to a given occurrence of one byte, fast:
// the image list holds a BEL per entry and is counted and searched on every
// wallpaper change, also when it holds a hundred thousand entries.
#pragma once

#include <cstddef>

// Walks text up to its NUL and returns the offset just past the wanted-th
// byte equal to value (wanted >= 1), or the offset of the NUL when the text
// holds fewer. *passed is the number of such bytes walked over.
size_t skipPast(const char* text, char value, size_t wanted, size_t* passed);

// The same a byte at a time: where the processor offers nothing faster, and
// for the tests, which compare both.
size_t skipPastBytewise(const char* text, char value, size_t wanted, size_t* passed);
