// The image list file: where the settings store keeps a text too long for
// the registry. Internal to the settings store.
#pragma once

#include <memory>

// The marker that stands in a value whose text lives in a file: "File" in
// any letter case.
bool isFileMarker(const char* text);

// The name of the value holding the file's path: name followed by "File".
// Null when there is no memory for it.
std::unique_ptr<char[]> companionName(const char* name);

// Reads the whole file as text; reports its own failures and yields null.
std::unique_ptr<char[]> readListFile(const char* path);

// Stores a long text in the image list file of value name (asking the user
// for the file when there is none yet) and then the marker in the value.
// False, after telling the user, when nothing was stored.
bool storeInListFile(const char* name, const char* text);

// Stores text in the registry value name; false after telling the user.
bool storeInRegistry(const char* name, const char* text);
