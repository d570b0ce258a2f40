#include "wallpaper/PictureFile.h"

#include <string>

#include "platform/Desktop.h"
#include "platform/FileSystem.h"
#include "platform/Messages.h"

void showPictureFile(const WallpaperState& state) {
    const std::string picture = state.history.current();
    if (picture.empty()) return;
    // Explorer given a missing file opens some folder of its own choosing,
    // which would pass for success.
    if (platform::fileSystem().pathKind(picture.c_str()) == platform::PathKind::Unreadable) {
        platform::showMessageWithPath("The picture file \"%s\" no longer exists.\nIt may have been moved or deleted.",
                                      picture.c_str(), platform::kErrorCaption, platform::kMbIconWarning);
        return;
    }
    if (!platform::desktop().showInExplorer(picture.c_str())) {
        platform::showMessageWithPath("Unable to show the file \"%s\".", picture.c_str(), platform::kErrorCaption,
                                      platform::kMbIconWarning);
    }
}
