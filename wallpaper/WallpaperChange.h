// One wallpaper change: the next entry of the image list, chosen randomly,
// sequentially or shuffled, becomes the desktop wallpaper; an entry that
// cannot be used is offered for removal and another one is tried.
#pragma once

#include "wallpaper/WallpaperState.h"

// `list` is the caller's copy, read just before; it is not changed. Removals
// the user agrees to are made on the list as stored at the time of the
// answer, and stored. Returns at once, doing nothing, while another change
// is in progress (that one is showing a question or a dialog).
void changeWallpaper(WallpaperState& state, const char* list);

// Whether a picture set earlier in this run can be brought back.
bool hasPreviousWallpaper(const WallpaperState& state);
// Sets the picture shown before the one on screen again (as the stored
// position wants it); nothing while a change is in progress.
void showPreviousWallpaper(WallpaperState& state);
