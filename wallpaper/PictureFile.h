// "Show Picture File": Explorer opened at the file of the picture on screen
// (the picture's own file, not the temporary bitmap made from it).
#pragma once

#include "wallpaper/WallpaperState.h"

// Shows the file in Explorer; when it no longer exists, or Explorer cannot
// be started, tells the user instead. Nothing when no picture was set.
void showPictureFile(const WallpaperState& state);
