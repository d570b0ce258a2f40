#include "wallpaper/WallpaperFile.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "image/RasterImage.h"
#include "platform/FileDialogs.h"
#include "platform/Messages.h"
#include "platform/SameFile.h"
#include "settings/ImageList.h"
#include "settings/SettingsStore.h"

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

constexpr platform::SaveDialogRequest kBitmapRequest = {"Bitmaps", "*.bmp", "bmp"};

// Lets the user choose where the temporary bitmap goes, starting from
// "temp.bmp". False when cancelled.
bool chooseTemporaryPath(char* path) {
    std::strcpy(path, "temp.bmp");
    return platform::askSaveFileName(path, kPathBufferSize, kBitmapRequest);
}

// The temporary bitmap's path: the stored one, else asked of the user once
// and stored.
void temporaryPath(char* path, const char* defaultTempPath) {
    std::unique_ptr<char[]> stored = readSetting(kTempFilenameSetting);
    if (stored && std::strlen(stored.get()) < kPathBufferSize) {
        std::strcpy(path, stored.get());
        return;
    }
    int answer = platform::showMessageWithPath(
        "Vellumere needs to create a temporary file in order to convert images to BMP format. "
        "Do you wish to choose a specific location for this file?\n\nDefault: \"%s\"",
        defaultTempPath, platform::kProgramCaption, platform::kMbIconQuestion | platform::kMbYesNo);
    const bool chosen = answer == platform::kIdYes && chooseTemporaryPath(path);
    if (!chosen) copyPath(path, defaultTempPath);
    writeSetting(kTempFilenameSetting, path);
}

bool writableDepth(int32_t bitDepth) {
    return (bitDepth >= 1 && bitDepth <= 8) || bitDepth == 24 || bitDepth == 32;
}

enum class Written { Yes, PictureFault, No };

// Writes the picture as the temporary bitmap. A place that cannot be written
// (folder gone, disk full, no access; the writer has said why), or that is
// the picture itself, is not the picture's fault: the user may pick another
// place, which is stored and tried at once, as often as they like.
Written writeTemporaryBitmap(RasterImage& image, const char* picture, char* tempPath) {
    for (;;) {
        if (!platform::sameFile(picture, tempPath)) {
            if (image.writeBmp(tempPath)) return Written::Yes;
            // A depth the writer does not take is the picture's fault.
            if (!writableDepth(image.bitDepth)) return Written::PictureFault;
        }
        const int answer = platform::showMessageWithPath(
            "Vellumere could not write its temporary file \"%s\".\n"
            "Do you wish to choose another location for this file?",
            tempPath, platform::kErrorCaption, platform::kMbIconQuestion | platform::kMbYesNo);
        char chosen[kPathBufferSize];
        if (answer != platform::kIdYes || !chooseTemporaryPath(chosen)) return Written::No;
        std::strcpy(tempPath, chosen);
        writeSetting(kTempFilenameSetting, tempPath);
    }
}

}  // namespace

Preparation prepareWallpaperFile(char* pathBuffer, const char* defaultTempPath, const ScaleTarget* fit) {
    // Released on every way out; a scaled picture lets the decoded one go
    // before the bitmap is written.
    std::unique_ptr<RasterImage> image(new RasterImage);
    std::unique_ptr<FILE, FileCloser> file(std::fopen(pathBuffer, "rb"));
    if (!file) {
        platform::showMessageWithPath("Unable to open file \"%s\".", pathBuffer,
                                      platform::kErrorCaption, platform::kMbIconWarning);
        return Preparation::Unusable;
    }
    if (std::fgetc(file.get()) == 'B' && std::fgetc(file.get()) == 'M') return Preparation::Ready;
    if (!image->load(file.get(), pathBuffer)) return Preparation::Unusable;
    file.reset();  // the picture is in memory: nothing more to read
    if (fit != nullptr) {
        std::unique_ptr<RasterImage> scaled(new RasterImage);
        if (!scaleImage(*image, *fit, *scaled)) return Preparation::Unusable;  // the scaler has said why
        image = std::move(scaled);
    }
    RasterImage& output = *image;

    char tempPath[kPathBufferSize];
    temporaryPath(tempPath, defaultTempPath);
    // A failed write leaves nothing usable in the temporary file (or an older
    // picture), so it never becomes the wallpaper.
    switch (writeTemporaryBitmap(output, pathBuffer, tempPath)) {
    case Written::Yes:
        break;
    case Written::PictureFault:
        return Preparation::Unusable;
    case Written::No:
        return Preparation::NotWritten;
    }
    std::strcpy(pathBuffer, tempPath);
    return Preparation::Ready;
}
