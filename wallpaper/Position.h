// How the picture fills the screen: the setting "Position". Absent (or a
// text the program does not know) means "System": the desktop's own layout
// is left as the user set it.
#pragma once

#include <cstddef>

enum class Position { System, Center, Tile, Stretch, Fit, Fill };

// The stored texts, in the order the options dialog lists them.
constexpr const char* kPositionTexts[] = {"System", "Center", "Tile", "Stretch", "Fit", "Fill"};
constexpr std::size_t kPositionCount = sizeof kPositionTexts / sizeof kPositionTexts[0];

// The stored position; System when absent or unknown.
Position readPosition();

// The text that stores the position.
inline const char* positionText(Position position) {
    return kPositionTexts[static_cast<std::size_t>(position)];
}
