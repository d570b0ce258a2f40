// Choosing an entry of the image list at random or in sequence, passing over
// file entries that name excluded pictures. With nothing excluded each is
// the plain choice: one draw, or the entry after the last one.
#pragma once

#include <string>
#include <string_view>

#include "settings/ExcludedList.h"

// The entry's full path (a relative entry made full, as the history
// remembers pictures) as excludedKey() makes it.
std::string entryKey(std::string_view entry);

// Whether the entry names an excluded picture.
bool isExcludedEntry(const Exclusions& excluded, std::string_view entry);

// An entry drawn uniformly among the first `count` of list (count >= 1)
// that are not excluded; -1 when every one is.
int randomEntry(const char* list, int count, const Exclusions& excluded);

// The first entry after `lastIndex` (wrapping to 0 past the end, and from
// an index out of range) that is not excluded; -1 when every one is.
int nextEntry(const char* list, int count, int lastIndex, const Exclusions& excluded);
