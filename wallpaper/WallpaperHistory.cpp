#include "wallpaper/WallpaperHistory.h"

void WallpaperHistory::remember(const PictureSet& pictures) {
    if (pictures.empty()) return;
    // Setting the same pictures again (a one-entry list) is no new step back.
    if (!sets_.empty() && sets_.back() == pictures) return;
    sets_.push_back(pictures);
    if (sets_.size() > kLength) sets_.pop_front();
}

void WallpaperHistory::goBack() {
    if (sets_.size() >= 2) sets_.pop_back();
}

void WallpaperHistory::forgetPrevious() {
    if (sets_.size() >= 2) sets_.erase(sets_.end() - 2);
}
