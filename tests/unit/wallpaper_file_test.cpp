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

#include "TestSupport.h"
#include "fakes/FakeRegistry.h"
#include "fakes/ScriptedSaveDialog.h"
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
    const std::string list = folder.at("other.bmp") + "\a" + otherSpelling + "\a";
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
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(std::ifstream(kept, std::ios::binary).rdbuf()), {}),
                  "BM kept");
        ASSERT_EQ(messages.shown.size(), c.answers.size());
        EXPECT_EQ(messages.shown.back().text, "Vellumere could not write its temporary file \"" +
                                                  (c.stored.empty() ? c.chosenFirst : c.stored) +
                                                  "\".\nDo you wish to choose another location for this file?");
        EXPECT_EQ(storedTemp(), elsewhere.path());
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
