// What the wallpaper cycle keeps between changes for the length of a run;
// nothing of it is stored. The program holds one; tests make their own.
#pragma once

#include <string>

#include "settings/ExcludedList.h"
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
    // The user asked for a change meanwhile: it runs when that one ends.
    bool changePending = false;
    // The shuffled round: the entries it has shown, as an image list. Read
    // from the store at the first shuffled change of a run, then kept here,
    // so that a round the store refuses still goes on in this run.
    std::string shuffleRound;
    bool shuffleRoundRead = false;
    // A round that could not be stored is reported once a run.
    bool shuffleStoreFailureReported = false;
    // The pictures never to be shown again, as last read.
    ExclusionCache exclusions;
};
