#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "TestSupport.h"
#include "fakes/FakeRegistry.h"
#include "fakes/ScriptedSaveDialog.h"
#include "settings/ImageList.h"
#include "settings/SettingsStore.h"
#include "wallpaper/WallpaperFile.h"

namespace {

const std::string kKey = kSettingsKey;
const char* const kQuestionStart =
    "Vellumere needs to create a temporary file in order to convert images to BMP format. "
    "Do you wish to choose a specific location for this file?\n\nDefault: \"";

// A 2 x 1 binary pixmap: one red and one blue pixel.
std::string smallPixmap() {
    return std::string("P6\n2 1\n255\n") + std::string("\xFF\x00\x00\x00\x00\xFF", 6);
}

class WallpaperFile : public ::testing::Test {
protected:
    WallpaperFile() {
        std::strcpy(savedDefault, defaultTempPath);
        std::strcpy(defaultTempPath, defaultBitmap.c_str());
    }
    ~WallpaperFile() override { std::strcpy(defaultTempPath, savedDefault); }

    // Runs the preparation on a copy of path; returns the result and leaves
    // the buffer in `buffer`.
    int prepare(const std::string& path) {
        std::memset(buffer, 0x5A, sizeof buffer);
        std::strcpy(buffer, path.c_str());
        return prepareWallpaperFile(buffer);
    }

    fakes::FakeRegistry registry;
    fakes::ScriptedSaveDialog dialog;
    test::RecordingSink messages;
    test::TempFile defaultBitmap{".bmp"};
    char buffer[kPathBufferSize];
    char savedDefault[1300];
};

}  // namespace

TEST_F(WallpaperFile, ABitmapIsUsedWhereItLies) {
    test::TempFile bitmap(".jpg", test::bytesOf("BMthis is not looked at"));
    EXPECT_EQ(prepare(bitmap.path()), 1);
    EXPECT_EQ(std::string(buffer), bitmap.path());
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_FALSE(registry.hasValue(kKey, kTempFilenameSetting));  // nothing asked
}

TEST_F(WallpaperFile, OnlyTheTwoBytesBMMakeABitmap) {
    test::TempFile bx(".bmp", test::bytesOf("BX0123456789abc"));
    test::TempFile b(".bmp", test::bytesOf("B"));
    for (const test::TempFile* file : {&bx, &b}) {
        messages.shown.clear();
        EXPECT_EQ(prepare(file->path()), 0);
        EXPECT_EQ(std::string(buffer), file->path());  // unchanged
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text,
                  "Unsupported file format for file \"" + file->path() + "\".");
    }
}

TEST_F(WallpaperFile, AMissingFileIsReported) {
    const std::string missing = defaultBitmap.path() + ".missing";
    EXPECT_EQ(prepare(missing), 0);
    EXPECT_EQ(std::string(buffer), missing);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Unable to open file \"" + missing + "\".");
    EXPECT_EQ(messages.shown[0].caption, "Vellumere Error");
    EXPECT_EQ(messages.shown[0].style, platform::kMbIconWarning);
}

TEST_F(WallpaperFile, TheFirstConversionAsksOnceAndNoKeepsTheDefault) {
    test::TempFile picture(".ppm", test::bytesOf(smallPixmap()));
    messages.answers.push_back(platform::kIdNo);
    EXPECT_EQ(prepare(picture.path()), 1);
    EXPECT_EQ(std::string(buffer), defaultBitmap.path());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, kQuestionStart + defaultBitmap.path() + "\"");
    EXPECT_EQ(messages.shown[0].caption, "Vellumere");
    EXPECT_EQ(messages.shown[0].style, platform::kMbIconQuestion | platform::kMbYesNo);
    EXPECT_TRUE(dialog.shown.empty());
    EXPECT_EQ(registry.text(kKey, kTempFilenameSetting), defaultBitmap.path());
    std::vector<unsigned char> written = defaultBitmap.read();
    ASSERT_GE(written.size(), 2u);
    EXPECT_EQ(written[0], 'B');
    EXPECT_EQ(written[1], 'M');

    // The second conversion asks nothing and replaces the same file.
    defaultBitmap.write(std::string("stale"));
    EXPECT_EQ(prepare(picture.path()), 1);
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(defaultBitmap.read(), written);
}

TEST_F(WallpaperFile, YesThenCancelTakesTheDefault) {
    test::TempFile picture(".ppm", test::bytesOf(smallPixmap()));
    messages.answers.push_back(platform::kIdYes);
    dialog.cancel();
    EXPECT_EQ(prepare(picture.path()), 1);
    ASSERT_EQ(dialog.shown.size(), 1u);
    EXPECT_EQ(dialog.shown[0].startName, "temp.bmp");
    EXPECT_EQ(dialog.shown[0].capacity, 1300u);
    EXPECT_EQ(dialog.shown[0].filterDescription, "Bitmaps");
    EXPECT_EQ(dialog.shown[0].filterPattern, "*.bmp");
    EXPECT_EQ(dialog.shown[0].defaultExtension, "bmp");
    EXPECT_EQ(registry.text(kKey, kTempFilenameSetting), defaultBitmap.path());
    EXPECT_EQ(std::string(buffer), defaultBitmap.path());
}

TEST_F(WallpaperFile, YesThenAChoiceStoresAndUsesTheChoice) {
    test::TempFile picture(".ppm", test::bytesOf(smallPixmap()));
    test::TempFile chosen(".bmp");
    messages.answers.push_back(platform::kIdYes);
    dialog.choose(chosen.path());
    EXPECT_EQ(prepare(picture.path()), 1);
    EXPECT_EQ(std::string(buffer), chosen.path());
    EXPECT_EQ(registry.text(kKey, kTempFilenameSetting), chosen.path());
    EXPECT_FALSE(chosen.read().empty());
}

TEST_F(WallpaperFile, AFailedTemporaryBitmapFailsThePreparation) {
    test::TempFile picture(".ppm", test::bytesOf(smallPixmap()));
    const std::string unwritable = defaultBitmap.path() + ".nodir/temp.bmp";
    registry.setText(kKey, kTempFilenameSetting, unwritable);
    EXPECT_EQ(prepare(picture.path()), 0);
    EXPECT_EQ(std::string(buffer), picture.path());  // not the stale temporary file
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].caption, "BMP Writer");
}

TEST_F(WallpaperFile, AStoredPathTooLongForTheBufferIsAskedAgain) {
    test::TempFile picture(".ppm", test::bytesOf(smallPixmap()));
    registry.setText(kKey, kTempFilenameSetting, std::string(1400, 'x'));
    messages.answers.push_back(platform::kIdNo);
    EXPECT_EQ(prepare(picture.path()), 1);
    EXPECT_EQ(std::string(buffer), defaultBitmap.path());
    EXPECT_EQ(registry.text(kKey, kTempFilenameSetting), defaultBitmap.path());
}
