// "Remove Picture from List": the picture on screen is never to be shown
// again. A picture that is a file entry of the image list is removed from
// it, every entry naming it, once the user agrees; a picture drawn from a
// directory entry is added to the excluded pictures (settings/ExcludedList.h),
// as is a file entry's picture that a directory entry also holds. The
// wallpaper then changes, and "Previous Wallpaper" no longer brings the
// picture back.
#pragma once

#include "wallpaper/WallpaperState.h"

// Whether there is a picture to remove: one was set in this run.
bool canRemovePicture(const WallpaperState& state);

// Nothing when no picture was set, or the user does not agree; a list or
// exclusion that cannot be stored has been reported by the store, and the
// wallpaper then stays.
void removePictureFromList(WallpaperState& state);
