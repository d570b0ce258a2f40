// The image list: one NUL-terminated string in which every entry (a file or
// directory path) is followed by a BEL character (0x07). BEL terminates, it
// does not separate: "A\aB\a" holds A and B; the empty list is "".
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

constexpr char kEntryTerminator = '\a';

// The number of entries: the number of BELs. Text after the last BEL is not
// an entry.
int countEntries(const char* list);

// start / terminator positions of entry `index` (0 <= index < countEntries(list)).
// An index outside that range gives the end of the string for both.
void locateEntry(const char* list, int index, size_t* start, size_t* terminator);

// Deletes the entry at start and its BEL (at terminator) in place.
void removeEntry(char* list, size_t start, size_t terminator);

// Each path followed by a BEL; null when there is no memory for the list.
std::unique_ptr<char[]> joinEntries(const std::vector<std::string>& paths);

// The entries in order; text after the last BEL comes back as a last entry.
std::vector<std::string> splitEntries(const char* list);
