// One wallpaper change: the next entry of the image list, chosen randomly or
// sequentially, becomes the desktop wallpaper; an entry that cannot be used
// is offered for removal and another one is tried.
#pragma once

extern int currentIndex;    // initially -1
extern int changesActive;   // initially 1

// `list` is the caller's copy, read just before; it is not changed. Removals
// the user agrees to are made on the list as stored at the time of the
// answer, and stored. Returns at once, doing nothing, while another change
// is in progress (that one is showing a question or a dialog).
void changeWallpaper(const char* list);

// True while a change runs (its questions and dialogs included).
bool changeInProgress();

// Whether a picture set earlier in this run can be brought back.
bool hasPreviousWallpaper();
// Sets the picture shown before the one on screen again (as the stored
// position wants it); nothing while a change is in progress.
void showPreviousWallpaper();
