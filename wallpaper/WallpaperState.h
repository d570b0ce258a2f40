// What the wallpaper cycle keeps between changes for the length of a run;
// nothing of it is stored. The program holds one; tests make their own.
#pragma once

#include <string>

#include "wallpaper/WallpaperHistory.h"

struct WallpaperState {
    // The entry chosen last; sequential selection takes the one after it.
    int currentIndex = -1;
    // The tray menu's "Active": 0 stops every change before it touches the
    // wallpaper (the empty list still removes it).
    int changesActive = 1;
    // Offered for the temporary bitmap while "TempFilename" is absent: the
    // start-up directory followed by "\temp.bmp".
    std::string defaultTempPath;
    // The pictures set in this run.
    WallpaperHistory history;
    // Set while a change (with its questions and dialogs) is in progress.
    bool changeRunning = false;
};
