// Making sure the wallpaper path names a bitmap: a bitmap file is used where
// it lies, any other picture is converted into the one temporary bitmap.
#pragma once

extern char defaultTempPath[1300];  // set at start-up by WinMain: current directory + "\\temp.bmp"

// 1 when pathBuffer (kPathBufferSize chars) names a bitmap ready to be the
// wallpaper: its own path for a bitmap file, else replaced by the temporary
// bitmap's path. 0 when the picture cannot be used (the user has been told
// why); pathBuffer is then unchanged.
int prepareWallpaperFile(char* pathBuffer);   // pathBuffer holds kPathBufferSize chars
