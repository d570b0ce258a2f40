// One wallpaper change: the next entry of the image list, chosen randomly,
// sequentially or shuffled, becomes the desktop wallpaper; an entry that
// cannot be used is offered for removal and another one is tried.
#pragma once

#include "wallpaper/WallpaperState.h"

// Who asks for a change, which decides what happens while another change is
// in progress (showing a question or a dialog): one change runs at a time.
enum class ChangeRequest {
    Tick,     // the update timer: skipped; the next tick comes soon enough
    Command,  // the user (the options dialog's OK, "Change Wallpaper"): run
              // once, from the list then stored, when that change ends
};

// `list` is the caller's copy, read just before; it is not changed. Removals
// the user agrees to are made on the list as stored at the time of the
// answer, and stored.
void changeWallpaper(WallpaperState& state, const char* list, ChangeRequest request);

// Whether a picture set earlier in this run can be brought back.
bool hasPreviousWallpaper(const WallpaperState& state);
// Sets the picture shown before the one on screen again (as the stored
// position wants it); nothing while a change is in progress.
void showPreviousWallpaper(WallpaperState& state);

// The monitors have changed (number, sizes or places): the pictures on
// screen are composed again for them, none drawn anew. Nothing while a
// change is in progress, or when nothing on screen depends on the monitors.
void recomposeWallpaper(WallpaperState& state);
