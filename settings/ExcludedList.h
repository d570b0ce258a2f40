// Pictures never to be shown again: the full paths of picture files, as an
// image list, in the value "Excluded". A list too long for the registry goes
// to a file as "Files" does: beside the image list's file (its path followed
// by ".excluded") when the image list lives in one, else where the user
// chooses. The wallpaper change skips every excluded picture.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

// Paths compared as Windows compares file names: letters A to Z in either
// case are the same.
std::string excludedKey(std::string_view path);
// The same, appended to *key (which ends where a character ends).
void appendExcludedKey(std::string* key, std::string_view path);

// The excluded pictures, for looking paths up while pictures are chosen.
class Exclusions {
public:
    Exclusions() = default;
    // From an image list of excluded paths.
    explicit Exclusions(const char* list);

    bool empty() const { return keys_.empty(); }
    // Whether the full path of a picture is excluded.
    bool contains(std::string_view fullPath) const;
    // The same for a key made by excludedKey().
    bool containsKey(const std::string& key) const { return keys_.count(key) != 0; }

private:
    std::unordered_set<std::string> keys_;
};

// The stored exclusions, read at every change but turned into a lookup only
// when they differ from the last read: a long list is read in one go, while
// building its lookup takes a while.
class ExclusionCache {
public:
    // Shared, so a change keeps its lookup while a later one builds another.
    std::shared_ptr<const Exclusions> current();

private:
    std::string text_;
    std::shared_ptr<const Exclusions> exclusions_ = std::make_shared<const Exclusions>();
};

// The stored list into *list, the empty list when none is stored. False
// when one is stored in its file but cannot be read: the store has said why.
bool readExcluded(std::string* list);

// Stores the list; false after telling the user why it could not be.
bool storeExcluded(const std::string& list);

// Adds the full path of a picture to the stored list, unless it is there
// already; false after telling the user that it could not be read or stored
// (a list that cannot be read is never written over).
bool addExcluded(const std::string& picture);

// `list` without every entry that equals (as excludedKey() compares) one of
// `removed`: the stored list once the user has taken those out, keeping what
// was added meanwhile.
std::string excludedWithout(const char* list, const std::vector<std::string>& removed);
