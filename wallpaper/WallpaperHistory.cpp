#include "wallpaper/WallpaperHistory.h"

#include <algorithm>

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

void WallpaperHistory::forgetBehind(const std::string& picture) {
    if (sets_.empty()) return;
    // A step back brings back a whole set: every earlier set that holds the
    // picture goes, the one on screen stays.
    const auto holds = [&](const PictureSet& set) { return std::find(set.begin(), set.end(), picture) != set.end(); };
    sets_.erase(std::remove_if(sets_.begin(), sets_.end() - 1, holds), sets_.end() - 1);
}
