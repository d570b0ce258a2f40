// One wallpaper change: the next entry of the image list, chosen randomly or
// sequentially, becomes the desktop wallpaper; an entry that cannot be used
// is offered for removal and another one is tried.
#pragma once

extern int currentIndex;    // initially -1
extern int changesActive;   // initially 1

void changeWallpaper(char* list);   // list owned by the caller (may be shortened in place)
