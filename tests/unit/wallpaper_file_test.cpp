#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#ifndef _WIN32
#include <sys/resource.h>
#endif
#include <deque>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "TestSupport.h"
#include "fakes/FakeRegistry.h"
#include "fakes/ScriptedSaveDialog.h"
#include "image/RasterImage.h"
#include "platform/PathBuffer.h"
#include "settings/SettingsStore.h"
#include "wallpaper/WallpaperFile.h"

namespace {

class WallpaperFile : public ::testing::Test {
protected:
    // Runs the preparation on a copy of path, leaving the result in `buffer`.
    Preparation prepare(const std::string& path) {
        std::memset(buffer, 0x5A, sizeof buffer);
        std::strcpy(buffer, path.c_str());
        return prepareWallpaperFile(buffer, defaultBitmap.c_str());
    }
    std::string storedTemp() const { return registry.text(kSettingsKey, kTempFilenameSetting); }

    fakes::FakeRegistry registry;
    fakes::ScriptedSaveDialog dialog;
    test::RecordingSink messages;
    test::TempFile defaultBitmap{".bmp"};
    char buffer[platform::kUtf8PathBufferSize];
};

TEST_F(WallpaperFile, BitmapsAreUsedWhereTheyLieAndEverythingElseIsChecked) {
    struct Case {
        const char* what;
        const char* bytes;  // nullptr: no such file
        Preparation result;
        const char* message;  // %s: the path; nullptr: none
    };
    const Case cases[] = {
        {"bitmap of any name", "BMthis is not looked at", Preparation::Ready, nullptr},
        {"'B' then not 'M'", "BX0123456789abc", Preparation::Unusable, "Unsupported file format for file \"%s\"."},
        {"a single 'B'", "B", Preparation::Unusable, "Unsupported file format for file \"%s\"."},
        {"empty", "", Preparation::Unusable, "Unsupported file format for file \"%s\"."},
        {"missing", nullptr, Preparation::Unusable, "Unable to open file \"%s\"."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempFile file(".jpg");
        if (c.bytes) file.write(std::string(c.bytes));
        messages.shown.clear();
        EXPECT_EQ(prepare(file.path()), c.result);
        EXPECT_EQ(std::string(buffer), file.path());
        if (!c.message) {
            EXPECT_TRUE(messages.shown.empty());
            continue;
        }
        std::string text = c.message;
        text.replace(text.find("%s"), 2, file.path());
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text, text);
        EXPECT_EQ(messages.shown[0].caption, "Vellumere Error");
        EXPECT_EQ(messages.shown[0].style, platform::kMbIconWarning);
    }
    EXPECT_FALSE(registry.hasValue(kSettingsKey, kTempFilenameSetting));  // nothing converted
}

// The first conversion asks where the temporary bitmap goes and stores the
// answer; later ones ask nothing and replace that file.
TEST_F(WallpaperFile, OtherPicturesAreConvertedIntoTheTemporaryBitmap) {
    enum class Dialog { NotShown, Cancelled, Chosen };
    struct Case {
        const char* what;
        bool storedTooLong;
        int answer;
        Dialog dialog;
    };
    const Case cases[] = {
        {"no", false, platform::kIdNo, Dialog::NotShown},
        {"yes, then cancel", false, platform::kIdYes, Dialog::Cancelled},
        {"yes, then a choice", false, platform::kIdYes, Dialog::Chosen},
        {"stored path too long", true, platform::kIdNo, Dialog::NotShown},
    };
    // A 2 x 1 binary pixmap: one red and one blue pixel.
    test::TempFile picture(".ppm", test::bytesOf(std::string("P6\n2 1\n255\n\xFF\0\0\0\0\xFF", 17)));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempFile chosen(".bmp");
        registry.keys.clear();
        if (c.storedTooLong) registry.setText(kSettingsKey, kTempFilenameSetting, std::string(1400, 'x'));
        messages.shown.clear();
        messages.answers = {c.answer};
        dialog.shown.clear();
        if (c.dialog == Dialog::Cancelled) dialog.cancel();
        if (c.dialog == Dialog::Chosen) dialog.choose(chosen.path());
        const test::TempFile& used = c.dialog == Dialog::Chosen ? chosen : defaultBitmap;
        used.write(std::string("stale"));

        EXPECT_EQ(prepare(picture.path()), Preparation::Ready);
        EXPECT_EQ(std::string(buffer), used.path());
        EXPECT_EQ(storedTemp(), used.path());
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text,
                  "Vellumere needs to create a temporary file in order to convert images to BMP format. "
                  "Do you wish to choose a specific location for this file?\n\nDefault: \"" +
                      defaultBitmap.path() + "\"");
        EXPECT_EQ(messages.shown[0].caption, "Vellumere");
        EXPECT_EQ(messages.shown[0].style, platform::kMbIconQuestion | platform::kMbYesNo);
        ASSERT_EQ(dialog.shown.size(), c.dialog == Dialog::NotShown ? 0u : 1u);
        if (!dialog.shown.empty()) {
            EXPECT_EQ(dialog.shown[0].startName, "temp.bmp");
            EXPECT_EQ(dialog.shown[0].capacity, platform::kUtf8PathBufferSize);
            EXPECT_EQ(dialog.shown[0].filterDescription, "Bitmaps");
            EXPECT_EQ(dialog.shown[0].filterPattern, "*.bmp");
            EXPECT_EQ(dialog.shown[0].defaultExtension, "bmp");
        }
        const std::vector<unsigned char> written = used.read();
        ASSERT_GE(written.size(), 2u);
        EXPECT_EQ(std::string(written.begin(), written.begin() + 2), "BM");

        used.write(std::string("stale"));
        EXPECT_EQ(prepare(picture.path()), Preparation::Ready);
        EXPECT_EQ(std::string(buffer), used.path());
        EXPECT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(used.read(), written);
    }
}

// A temporary bitmap that cannot be written is the place's fault, not the
// picture's: the user may choose another place, which is stored and used at
// once; otherwise the preparation gives up without blaming the picture.
TEST_F(WallpaperFile, AnUnwritableTemporaryBitmapOffersAnotherPlace) {
    test::TempFile picture(".ppm", test::bytesOf(std::string("P6\n2 1\n255\n\xFF\0\0\0\0\xFF", 17)));
    const std::string unwritable = defaultBitmap.path() + ".nodir/temp.bmp";
    const std::string question = "Vellumere could not write its temporary file \"" + unwritable +
                                 "\".\nDo you wish to choose another location for this file?";
    struct Case {
        const char* what;
        std::deque<int> answers;
        bool choose;
        Preparation result;
    };
    const Case cases[] = {
        {"no", {platform::kIdOk, platform::kIdNo}, false, Preparation::NotWritten},
        {"yes, then cancel", {platform::kIdOk, platform::kIdYes}, false, Preparation::NotWritten},
        {"yes, then a place", {platform::kIdOk, platform::kIdYes}, true, Preparation::Ready},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempFile chosen(".bmp");
        registry.setText(kSettingsKey, kTempFilenameSetting, unwritable);
        messages.shown.clear();
        messages.answers = c.answers;
        dialog.shown.clear();
        dialog.answers.clear();
        if (c.choose) {
            dialog.choose(chosen.path());
        } else {
            dialog.cancel();
        }
        EXPECT_EQ(prepare(picture.path()), c.result);
        ASSERT_EQ(messages.shown.size(), 2u);
        EXPECT_EQ(messages.shown[0].caption, "BMP Writer");
        EXPECT_EQ(messages.shown[1].text, question);
        EXPECT_EQ(messages.shown[1].style, platform::kMbIconQuestion | platform::kMbYesNo);
        EXPECT_EQ(dialog.shown.size(), c.answers.back() == platform::kIdYes ? 1u : 0u);
        EXPECT_EQ(storedTemp(), c.choose ? chosen.path() : unwritable);
        EXPECT_EQ(std::string(buffer), c.result == Preparation::Ready ? chosen.path() : picture.path());
        if (c.choose) {
            EXPECT_EQ(chosen.read().at(0), 'B');
        }
    }
}

// A place that would overwrite a picture the user keeps is refused like an
// unwritable one, and another is offered: the picture being converted, or a
// file of the image list under any spelling of its name, whether stored or
// chosen in the save dialog.
TEST_F(WallpaperFile, APlaceThatHoldsAPictureOfTheUserIsRefused) {
    test::TempFile picture(".ppm", test::bytesOf(std::string("P6\n2 1\n255\n\xFF\0\0\0\0\xFF", 17)));
    test::TempDirectory folder;
    const char separator = char(std::filesystem::path::preferred_separator);
    const std::string kept = folder.file("kept.bmp", "BM kept");
    std::filesystem::create_directories(folder.at("sub"));
    const std::string otherSpelling = folder.at("sub") + separator + ".." + separator + "kept.bmp";
    // Greek in capitals in the list, in small letters as the place: one file
    // where names are compared as Windows compares them.
    const std::string capitals = folder.file("\xCE\xA6\xCE\xA9\xCE\xA4\xCE\x9F.bmp", "BM kept");
    const std::string list = folder.at("other.bmp") + "\a" + otherSpelling + "\a" + capitals + "\a";
    struct Case {
        const char* what;
        std::string stored;       // empty: none
        std::string chosenFirst;  // in the save dialog after the first question; empty: none
        std::deque<int> answers;
    };
    const Case cases[] = {
        {"stored: the picture itself", picture.path(), "", {platform::kIdYes}},
        {"stored: a file of the list", kept, "", {platform::kIdYes}},
        {"chosen: a file of the list", "", kept, {platform::kIdYes, platform::kIdYes}},
#ifdef _WIN32
        {"stored: a file of the list in other letters",
         folder.at("\xCF\x86\xCF\x89\xCF\x84\xCE\xBF.bmp"),
         "",
         {platform::kIdYes}},
#endif
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<unsigned char> original = picture.read();
        test::TempFile elsewhere(".bmp");
        registry.keys.clear();
        if (!c.stored.empty()) registry.setText(kSettingsKey, kTempFilenameSetting, c.stored);
        messages.shown.clear();
        messages.answers = c.answers;
        dialog.answers.clear();
        if (!c.chosenFirst.empty()) dialog.choose(c.chosenFirst);
        dialog.choose(elsewhere.path());
        std::strcpy(buffer, picture.c_str());
        EXPECT_EQ(prepareWallpaperFile(buffer, defaultBitmap.c_str(), nullptr, list.c_str()), Preparation::Ready);
        EXPECT_EQ(std::string(buffer), elsewhere.path());
        EXPECT_EQ(picture.read(), original);
        EXPECT_EQ(test::readFile(kept), "BM kept");
        EXPECT_EQ(test::readFile(capitals), "BM kept");
        ASSERT_EQ(messages.shown.size(), c.answers.size());
        EXPECT_EQ(messages.shown.back().text, "Vellumere could not write its temporary file \"" +
                                                  (c.stored.empty() ? c.chosenFirst : c.stored) +
                                                  "\".\nDo you wish to choose another location for this file?");
        EXPECT_EQ(storedTemp(), elsewhere.path());
    }
}

// A camera's 100-megapixel JPEG (12000 x 8000): its full planes are above the
// 32-bit program's ceiling, but for a 1920 x 1080 screen it is decoded at a
// quarter of its size (3000 x 2000 covers the screen) and set.
TEST_F(WallpaperFile, AHundredMegapixelPhotoIsSetUnderThe32BitCeiling) {
    test::TempFile photo(".jpg");
    {
        // One flat colour, which the library compresses in a moment.
        FILE* out = std::fopen(photo.c_str(), "wb");
        ASSERT_NE(out, nullptr);
        jpeg_compress_struct info;
        jpeg_error_mgr errors;
        info.err = jpeg_std_error(&errors);
        jpeg_create_compress(&info);
        jpeg_stdio_dest(&info, out);
        info.image_width = 12000;
        info.image_height = 8000;
        info.input_components = 3;
        info.in_color_space = JCS_RGB;
        jpeg_set_defaults(&info);
        info.dct_method = JDCT_IFAST;
        jpeg_start_compress(&info, TRUE);
        std::vector<JSAMPLE> row(12000 * 3);
        for (size_t i = 0; i < row.size(); i += 3) {
            row[i] = 200;
            row[i + 1] = 120;
            row[i + 2] = 40;
        }
        JSAMPROW rows[1] = {row.data()};
        while (info.next_scanline < info.image_height) jpeg_write_scanlines(&info, rows, 1);
        jpeg_finish_compress(&info);
        jpeg_destroy_compress(&info);
        ASSERT_EQ(std::fclose(out), 0);
    }
    RasterImage::setPlaneByteLimit(RasterImage::kPlaneByteLimit32);
    ASSERT_FALSE(RasterImage::withinCeiling(12000, 8000, 24));
    registry.setText(kSettingsKey, kTempFilenameSetting, defaultBitmap.path());
    std::strcpy(buffer, photo.c_str());
    const ScaleTarget screen = {1920, 1080, ScaleMode::Fill, 0, 0, 0};
    const Preparation result = prepareWallpaperFile(buffer, defaultBitmap.c_str(), &screen);
    RasterImage::setPlaneByteLimit(RasterImage::kDefaultPlaneByteLimit);
    EXPECT_EQ(result, Preparation::Ready);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(std::string(buffer), defaultBitmap.path());
    const std::vector<unsigned char> bitmap = defaultBitmap.read();
    ASSERT_EQ(bitmap.size(), 54u + 1920u * 1080u * 3u);
    // Blue, green, red at the bottom-left and top-right corners.
    for (size_t at : {size_t(54), bitmap.size() - 3}) {
        EXPECT_NEAR(bitmap[at], 40, 2);
        EXPECT_NEAR(bitmap[at + 1], 120, 2);
        EXPECT_NEAR(bitmap[at + 2], 200, 2);
    }
}

#ifndef _WIN32
// A disk that fills up (here: a file size limit) while the temporary bitmap
// is written leaves the bitmap there before whole: it may be the wallpaper on
// screen, which the system reads again at the next logon.
TEST_F(WallpaperFile, AFailedWriteLeavesTheTemporaryBitmapWhole) {
    test::TempFile picture(".ppm", test::bytesOf(std::string("P6\n2 1\n255\n\xFF\0\0\0\0\xFF", 17)));
    test::TempFile onScreen(".bmp");
    onScreen.write(std::string("BM on screen"));
    registry.setText(kSettingsKey, kTempFilenameSetting, onScreen.path());
    messages.answers = {platform::kIdOk, platform::kIdNo};
    std::signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails instead
    rlimit unlimited{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &unlimited), 0);
    rlimit full = unlimited;
    full.rlim_cur = 16;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &full), 0);
    const Preparation result = prepare(picture.path());
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &unlimited), 0);
    std::signal(SIGXFSZ, SIG_DFL);
    EXPECT_EQ(result, Preparation::NotWritten);
    EXPECT_EQ(onScreen.read(), test::bytesOf("BM on screen"));
    EXPECT_FALSE(std::filesystem::exists(onScreen.path() + ".tmp"));
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[0].text, "Unable to write file; the bitmap is incomplete.");
}
#endif

}  // namespace
