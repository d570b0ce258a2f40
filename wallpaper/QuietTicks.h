// The update timer's changes wait while a full-screen program runs (a game,
// a presentation, a video in full screen): the change that fell due runs once
// when that ends. Changes the user asks for (the menu, the command line, the
// hotkeys, the options dialog's OK) do not wait.
#pragma once

#include "wallpaper/WallpaperState.h"

// Whether "Full Screen Pause" asks for the wait (absent: yes; "0": no).
bool fullScreenPauseWanted();

class QuietTicks {
public:
    // A tick of the update timer: changes from the stored list, unless a
    // full-screen program runs and the pause is wanted. True when the change
    // now waits: the caller then calls check() every few seconds.
    bool tick(WallpaperState& state);
    // Runs the waiting change once the full-screen program has ended (or the
    // pause was switched off). True when it ran; false while it still waits,
    // and when nothing waits.
    bool check(WallpaperState& state);
    bool waiting() const { return waiting_; }

private:
    bool waiting_ = false;
};
