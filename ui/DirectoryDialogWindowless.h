// Decisions of the directory selection dialog that need no window: which image
// a tree item shows, whether it offers to expand, and how paths are formed.
// Header-only so that the unit tests can use it without the Windows program.
#pragma once

#include <cstddef>
#include <string>

#include "platform/DirectoryWalk.h"
#include "platform/PathBuffer.h"

namespace ui {

enum class TreeImage { ClosedFolder, OpenFolder, Drive };

// A drive root ("C:\") always shows the drive; a directory shows the open folder
// while expanded, and also once it turned out to have no subdirectories.
inline TreeImage treeImageFor(std::size_t pathLength, bool expanded, bool expandedOnce, int childCount) {
    if (pathLength == 3) return TreeImage::Drive;
    if (expanded) return TreeImage::OpenFolder;
    if (expandedOnce && childCount == 0) return TreeImage::OpenFolder;
    return TreeImage::ClosedFolder;
}

// The child count a tree item reports: an item whose directory has not been read
// yet must offer to expand, or its subdirectories could never be listed.
inline int childrenFor(bool expandedOnce, int childCount) {
    if (!expandedOnce) return 1;
    return childCount > 0 ? 1 : 0;
}

// The directory followed by a backslash (unless it ends with one already). In
// UTF-8 a byte 0x5C is always a backslash, never part of another character.
inline std::string directoryPrefix(const std::string& directory) {
    std::string prefix = directory;
    if (prefix.empty() || prefix.back() != '\\') prefix += '\\';
    return prefix;
}

// Whether a path fits the program's path and entry buffers.
inline bool fitsPathBuffer(const std::string& path) {
    return platform::fitsPathBuffer(path);
}

// The lines that adding a directory's files gives, in the system's order:
// each name as a full path (subdirectories too, unless recursing, when their
// own files are added instead); paths the program's buffers cannot hold are
// left out. onLine(path) for each line; onFailure(directory) for a directory
// that cannot be searched.
template <typename OnLine, typename OnFailure>
void listDirectoryFiles(const std::string& directory, bool recurse, OnLine&& onLine, OnFailure&& onFailure) {
    const std::string prefix = directoryPrefix(directory);
    if (!fitsPathBuffer(prefix + "*.*")) {
        onFailure(directory);
        return;
    }
    platform::DirectoryWalk walk(prefix);
    if (!walk.started()) {
        onFailure(directory);
        return;
    }
    platform::FoundName found;
    while (walk.next(&found)) {
        const std::string path = prefix + found.name;
        if (!fitsPathBuffer(path)) continue;
        if (found.isDirectory && recurse) {
            listDirectoryFiles(path, recurse, onLine, onFailure);
        } else {
            onLine(path);
        }
    }
}

// A tree item's subdirectories: onChild(name, full path) for each, in the
// system's order; those too long for the buffers are left out.
template <typename OnChild>
void listSubdirectories(const std::string& directory, OnChild&& onChild) {
    const std::string prefix = directoryPrefix(directory);
    if (!fitsPathBuffer(prefix + "*.*")) return;
    platform::DirectoryWalk walk(prefix);
    platform::FoundName found;
    while (walk.next(&found)) {
        if (!found.isDirectory) continue;
        const std::string path = prefix + found.name;
        if (fitsPathBuffer(path)) onChild(found.name, path);
    }
}

}  // namespace ui
