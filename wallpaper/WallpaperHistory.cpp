#include "wallpaper/WallpaperHistory.h"

#include <algorithm>

void WallpaperHistory::remember(const std::string& picture) {
    // Setting the same picture again (a one-entry list) is no new step back.
    if (!pictures_.empty() && pictures_.back() == picture) return;
    pictures_.push_back(picture);
    if (pictures_.size() > kLength) pictures_.pop_front();
}

void WallpaperHistory::goBack() {
    if (pictures_.size() >= 2) pictures_.pop_back();
}

void WallpaperHistory::forgetPrevious() {
    if (pictures_.size() >= 2) pictures_.erase(pictures_.end() - 2);
}

void WallpaperHistory::forgetBehind(const std::string& picture) {
    const bool onScreen = current() == picture;
    pictures_.erase(std::remove(pictures_.begin(), pictures_.end(), picture), pictures_.end());
    if (onScreen) pictures_.push_back(picture);
}
