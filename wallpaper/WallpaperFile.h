// Making sure the wallpaper path names a bitmap: a bitmap file is used where
// it lies, any other picture is converted into the one temporary bitmap.
#pragma once

#include "platform/PathBuffer.h"

#include "image/Scale.h"

enum class Preparation {
    Ready,       // pathBuffer names a bitmap to set as the wallpaper
    Unusable,    // the picture cannot be used; pathBuffer unchanged
    NotWritten,  // the picture is fine but the temporary bitmap could not be
                 // written and the user chose no other place; pathBuffer unchanged
};

// Ready when pathBuffer (platform::kUtf8PathBufferSize bytes) names a bitmap ready to be
// the wallpaper: its own path for a bitmap file, else replaced by the
// temporary bitmap's path. Every failure has been reported to the user.
// A temporary bitmap that cannot be written is not the picture's fault: the
// user is offered another place for it, and the write is tried again there.
// defaultTempPath is offered for the temporary bitmap while "TempFilename"
// is absent. With `fit`, a converted picture is scaled to the screen first
// (a bitmap file is still used as it is). A temporary bitmap's place that is
// a file of `list` (an image list; null: none) is refused like an unwritable
// one, as is the picture's own. The temporary bitmap is replaced only by a
// complete new one: a failed write leaves it as it was.
Preparation prepareWallpaperFile(char* pathBuffer, const char* defaultTempPath, const ScaleTarget* fit = nullptr,
                                 const char* list = nullptr);
