// The pictures set as wallpaper since the program started, newest last: the
// picture files themselves (a directory entry's drawn file, the source of a
// converted picture), so that "Previous Wallpaper" can bring one back and
// "Show Picture File" can find the one on screen. With a picture per monitor
// each step is the whole set, the primary monitor's picture first.
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <vector>

using PictureSet = std::vector<std::string>;

class WallpaperHistory {
public:
    static constexpr std::size_t kLength = 50;

    // The pictures now on screen; the oldest set is forgotten beyond kLength.
    void remember(const PictureSet& pictures);
    void remember(const std::string& picture) { remember(PictureSet{picture}); }
    // The (primary monitor's) picture on screen, or an empty text when none was set.
    std::string current() const { return sets_.empty() ? std::string() : sets_.back().front(); }
    // The picture before it, or an empty text when there is none.
    std::string previous() const { return sets_.size() < 2 ? std::string() : sets_[sets_.size() - 2].front(); }
    // The whole sets; empty when there is none.
    PictureSet currentSet() const { return sets_.empty() ? PictureSet() : sets_.back(); }
    PictureSet previousSet() const { return sets_.size() < 2 ? PictureSet() : sets_[sets_.size() - 2]; }
    // The previous set is on screen again.
    void goBack();
    // The previous set cannot be shown any more (a file of it is gone).
    void forgetPrevious();
    // The picture is not to come back: every step back to a set holding it
    // goes. The set on screen stays.
    void forgetBehind(const std::string& picture);
    void clear() { sets_.clear(); }

private:
    std::deque<PictureSet> sets_;  // none empty
};
