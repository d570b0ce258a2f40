#include "wallpaper/WallpaperFile.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "image/RasterImage.h"
#include "platform/FileDialogs.h"
#include "platform/Messages.h"
#include "platform/MoveOver.h"
#include "platform/OpenFile.h"
#include "platform/PathBuffer.h"
#include "platform/PathText.h"
#include "platform/SameFile.h"
#include "settings/ImageList.h"
#include "settings/SettingsStore.h"

namespace {

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};

// Copies a path into a path buffer, cutting off what does not fit (between
// characters).
void copyPath(char* destination, const char* source) {
    const size_t length = platform::fittingPathLength(source);
    std::memcpy(destination, source, length);
    destination[length] = '\0';
}

constexpr platform::SaveDialogRequest kBitmapRequest = {"Bitmaps", "*.bmp", "bmp"};

// Lets the user choose where the temporary bitmap goes, starting from
// "temp.bmp". False when cancelled.
bool chooseTemporaryPath(char* path) {
    std::strcpy(path, "temp.bmp");
    return platform::askSaveFileName(path, platform::kUtf8PathBufferSize, kBitmapRequest);
}

// The temporary bitmap's path: the stored one, else asked of the user once
// and stored.
void temporaryPath(char* path, const char* defaultTempPath) {
    std::unique_ptr<char[]> stored = readSetting(kTempFilenameSetting);
    if (stored && platform::fitsPathBuffer(stored.get())) {
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

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool equalIgnoringCase(const char* a, size_t aLength, const std::string& b) {
    if (aLength != b.size()) return false;
    for (size_t i = 0; i < aLength; ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    }
    return true;
}

// Whether writing `place` would destroy a picture the user keeps: the one
// being converted, or a file of the list, under any spelling of its name.
// Only entries whose file name could be the place's (the same letters, or a
// short "~" name on either side) are asked of the file system, so a long
// list costs little more than a walk through its text.
bool holdsUsersPicture(const std::string& place, const char* picture, const char* list) {
    if (platform::sameFile(picture, place.c_str())) return true;
    if (list == nullptr) return false;
    const std::string placeName = place.substr(platform::fileNameStart(place.c_str(), place.size()));
    const bool placeShort = placeName.find('~') != std::string::npos;
    for (const char* entry = list; *entry != '\0';) {
        const char* end = std::strchr(entry, kEntryTerminator);
        if (end == nullptr) break;  // text after the last BEL is no entry
        const size_t length = size_t(end - entry);
        const char* name = entry + platform::fileNameStart(entry, length);
        const size_t nameLength = size_t(end - name);
        const bool candidate = placeShort || std::memchr(name, '~', nameLength) != nullptr ||
                               equalIgnoringCase(name, nameLength, placeName);
        if (candidate && (equalIgnoringCase(entry, length, place) ||
                          platform::sameFile(std::string(entry, length).c_str(), place.c_str()))) {
            return true;
        }
        entry = end + 1;
    }
    return false;
}

// Writes the picture as the temporary bitmap: into a file beside it, which
// replaces it only once complete, since the temporary bitmap may be the
// wallpaper on screen (the system reads it again at the next logon) and a
// failed write must leave it whole. A place that cannot be written (folder
// gone, disk full, no access; the writer has said why), or that would
// overwrite one of the user's pictures, is not the picture's fault: the user
// may pick another place, which is stored and tried at once, as often as
// they like.
Written writeTemporaryBitmap(RasterImage& image, const char* picture, const char* list, char* tempPath) {
    for (;;) {
        const std::string partial = std::string(tempPath) + ".tmp";
        if (!holdsUsersPicture(tempPath, picture, list) && !holdsUsersPicture(partial, picture, list)) {
            if (image.writeBmp(partial.c_str()) && platform::moveOver(partial.c_str(), tempPath)) return Written::Yes;
            platform::removeFile(partial.c_str());
            // A depth the writer does not take is the picture's fault.
            if (!writableDepth(image.bitDepth)) return Written::PictureFault;
        }
        const int answer = platform::showMessageWithPath(
            "Vellumere could not write its temporary file \"%s\".\n"
            "Do you wish to choose another location for this file?",
            tempPath, platform::kErrorCaption, platform::kMbIconQuestion | platform::kMbYesNo);
        char chosen[platform::kUtf8PathBufferSize];
        if (answer != platform::kIdYes || !chooseTemporaryPath(chosen)) return Written::No;
        std::strcpy(tempPath, chosen);
        writeSetting(kTempFilenameSetting, tempPath);
    }
}

}  // namespace

Preparation prepareWallpaperFile(char* pathBuffer, const char* defaultTempPath, const ScaleTarget* fit,
                                 const char* list) {
    // Released on every way out; a scaled picture lets the decoded one go
    // before the bitmap is written.
    std::unique_ptr<RasterImage> image(new RasterImage);
    std::unique_ptr<FILE, FileCloser> file(platform::openFile(pathBuffer, "rb"));
    if (!file) {
        platform::showMessageWithPath("Unable to open file \"%s\".", pathBuffer, platform::kErrorCaption,
                                      platform::kMbIconWarning);
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

    char tempPath[platform::kUtf8PathBufferSize];
    temporaryPath(tempPath, defaultTempPath);
    // A failed write leaves the temporary bitmap as it was, which may be the
    // wallpaper on screen; the change then sets nothing.
    switch (writeTemporaryBitmap(output, pathBuffer, list, tempPath)) {
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
