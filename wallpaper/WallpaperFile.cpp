#include "wallpaper/WallpaperFile.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "image/RasterImage.h"
#include "platform/FileDialogs.h"
#include "platform/Messages.h"
#include "settings/ImageList.h"
#include "settings/SettingsStore.h"

char defaultTempPath[1300];

namespace {

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};

// Copies a path into a path buffer, cutting off what does not fit.
void copyPath(char* destination, const char* source) {
    size_t length = std::strlen(source);
    if (length >= kPathBufferSize) length = kPathBufferSize - 1;
    std::memcpy(destination, source, length);
    destination[length] = '\0';
}

// The temporary bitmap's path: the stored one, else asked of the user once
// and stored.
void temporaryPath(char* path) {
    std::unique_ptr<char[]> stored = readSetting(kTempFilenameSetting);
    if (stored && std::strlen(stored.get()) < kPathBufferSize) {
        std::strcpy(path, stored.get());
        return;
    }
    int answer = platform::showMessageWithPath(
        "Vellumere needs to create a temporary file in order to convert images to BMP format. "
        "Do you wish to choose a specific location for this file?\n\nDefault: \"%s\"",
        defaultTempPath, "Vellumere", platform::kMbIconQuestion | platform::kMbYesNo);
    bool chosen = false;
    if (answer == platform::kIdYes) {
        std::strcpy(path, "temp.bmp");
        const platform::SaveDialogRequest request = {"Bitmaps", "*.bmp", "bmp"};
        chosen = platform::askSaveFileName(path, kPathBufferSize, request);
    }
    if (!chosen) copyPath(path, defaultTempPath);
    writeSetting(kTempFilenameSetting, path);
}

}  // namespace

int prepareWallpaperFile(char* pathBuffer) {
    RasterImage image;
    std::unique_ptr<FILE, FileCloser> file(std::fopen(pathBuffer, "rb"));
    if (!file) {
        platform::showMessageWithPath("Unable to open file \"%s\".", pathBuffer,
                                      "Vellumere Error", platform::kMbIconWarning);
        return 0;
    }
    if (std::fgetc(file.get()) == 'B' && std::fgetc(file.get()) == 'M') return 1;
    if (!image.load(file.get(), pathBuffer)) return 0;

    char tempPath[kPathBufferSize];
    temporaryPath(tempPath);
    // The writer has told the user why it failed. The temporary file then
    // holds nothing usable (or an older picture), so it must not become the
    // wallpaper: report the failure and let the change ask about the entry.
    if (!image.writeBmp(tempPath)) return 0;
    std::strcpy(pathBuffer, tempPath);
    return 1;
}
