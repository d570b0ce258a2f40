// Every persistent setting is a text value under one per-user registry key.
// A text too long for the registry (in practice only the image list) lives
// in a file the user chooses once; the registry then holds the marker
// "File" and the file's path under the value's name followed by "File".
// Reading follows the marker by itself. Nothing is kept in memory.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

constexpr const char* kSettingsKey = "Software\\Quorvath\\Vellumere\\1.3";

// Value names.
constexpr const char* kFilesSetting = "Files";
constexpr const char* kTimeSetting = "Time";
constexpr const char* kSelectionMethodSetting = "Selection Method";
constexpr const char* kTempFilenameSetting = "TempFilename";
// Added later; absent, the program behaves as it always did.
constexpr const char* kPositionSetting = "Position";  // "System" (absent), "Center", "Tile", "Stretch", "Fit", "Fill"
constexpr const char* kShuffleRoundSetting = "Shuffle Round";  // entries shown in this round, as an image list

// Longer texts go to the image list file: the length of a text is counted
// in UTF-16 code units, the registry's characters.
constexpr size_t kRegistryTextLimit = 2048;

// A newly allocated NUL-terminated text, or null when the key or value is missing.
std::unique_ptr<char[]> readSetting(const char* name);

// Stores the text (a long one in the image list file); reports its own
// failures in message boxes and then yields false.
bool writeSetting(const char* name, const char* text);

// Stores the text in the registry itself, whatever its length; false after
// telling the user.
bool storeInRegistry(const char* name, const char* text);
// The same without a word: false when it could not be stored.
bool putInRegistry(const char* name, const char* text);

// The value's text exactly as the registry holds it, the marker not
// followed, when it has at most `limit` characters: no buffer larger than
// limit + 1 bytes is asked for. False when it is absent, longer, or there is
// no memory for it; nothing is shown.
bool readRegistryText(const char* name, size_t limit, std::string* text);

// The path of the image list file when the value's text lives there; null
// when it lives in the registry (or is absent).
std::unique_ptr<char[]> listFilePath(const char* name);
