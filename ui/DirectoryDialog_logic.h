// Decisions of the directory selection dialog that need no window: which image
// a tree item shows, whether it offers to expand, and how paths are formed.
// Header-only so that the unit tests can use it without the Windows program.
#pragma once

#include <cstddef>
#include <string>

#include "platform/CodePage.h"

namespace ui {

// Paths and entries are held in buffers of this many characters, NUL included.
constexpr std::size_t kDirectoryPathBuffer = 1300;

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

// The directory followed by a backslash (unless it ends with one already;
// a double-byte character's second byte 0x5C is not one).
inline std::string directoryPrefix(const std::string& directory) {
    std::string prefix = directory;
    if (!platform::endsWithBackslash(prefix.data(), prefix.size())) prefix += '\\';
    return prefix;
}

// Whether a path fits the program's path and entry buffers.
inline bool fitsPathBuffer(const std::string& path) {
    return path.size() < kDirectoryPathBuffer;
}

}  // namespace ui
