// Counting one byte value in a long text, fast: the image list holds a BEL
// per entry and is counted on every wallpaper change, also when it holds a
// hundred thousand entries.
#pragma once

#include <cstddef>

// The number of bytes equal to value in text[0..length).
size_t countByte(const char* text, size_t length, char value);

// The portable way of counting, taken where the processor offers nothing
// faster; declared for the tests, which compare both ways.
size_t countByteByWords(const char* text, size_t length, char value);
