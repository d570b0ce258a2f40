// The pictures set as wallpaper since the program started, newest last: the
// picture files themselves (a directory entry's drawn file, the source of a
// converted picture), so that "Previous Wallpaper" can bring one back and
// "Show Picture File" can find the one on screen.
#pragma once

#include <cstddef>
#include <deque>
#include <string>

class WallpaperHistory {
public:
    static constexpr std::size_t kLength = 50;

    // The picture now on screen; the oldest is forgotten beyond kLength.
    void remember(const std::string& picture);
    // The picture on screen, or an empty text when none was set.
    std::string current() const { return pictures_.empty() ? std::string() : pictures_.back(); }
    // The picture before it, or an empty text when there is none.
    std::string previous() const { return pictures_.size() < 2 ? std::string() : pictures_[pictures_.size() - 2]; }
    // The previous picture is on screen again.
    void goBack();
    // The previous picture cannot be shown any more (its file is gone).
    void forgetPrevious();
    // The picture is not to come back: every step back to it goes. It stays
    // only as the picture on screen, when it still is.
    void forgetBehind(const std::string& picture);
    void clear() { pictures_.clear(); }

private:
    std::deque<std::string> pictures_;
};
