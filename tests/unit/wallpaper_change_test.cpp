#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "fakes/FakeDesktop.h"
#include "fakes/FakeFileSystem.h"
#include "fakes/FakeNotificationState.h"
#include "fakes/FakeRegistry.h"
#include "fakes/ScriptedRandom.h"
#include "fakes/ScriptedSaveDialog.h"
#include "platform/PathBuffer.h"
#include "settings/SettingsStore.h"
#include "wallpaper/DirectoryPick.h"
#include "wallpaper/PictureFile.h"
#include "wallpaper/QuietTicks.h"
#include "wallpaper/RemovePicture.h"
#include "wallpaper/WallpaperChange.h"

namespace {

namespace fs = std::filesystem;
using platform::FoundName;
using Strings = std::vector<std::string>;

std::string readQuestion(const std::string& path) {
    return "There was an error reading the file \"" + path +
           "\".\nIt may have been deleted from your system.\n"
           "Do you want to remove it from the display list?";
}
std::string loadQuestion(const std::string& path) {
    return "There was an error loading the file \"" + path + "\".\nDo you want to remove it from the display list?";
}
std::string directoryQuestion(const std::string& path) {
    return "There was an error loading the file \"" + path +
           "\".\nDirectories added to the image list should only contain files that can be "
           "loaded by Vellumere. Do you wish to move the directory from the list?";
}

std::string listOf(const Strings& entries) {
    std::string list;
    for (const std::string& entry : entries) list += entry + "\a";
    return list;
}

// Real files in a folder of their own for the preparation to open; the fake
// file system says what kind each path is and what a directory holds.
class WallpaperChange : public ::testing::Test {
protected:
    WallpaperChange() { fs::create_directories(base_); }
    ~WallpaperChange() override {
        std::error_code ignored;
        fs::remove_all(base_, ignored);
    }

    // A file entry holding a bitmap, or bytes no reader takes.
    std::string file(const std::string& name, bool good = true) {
        test::writeFile(base_ + "/" + name, good ? "BM bitmap" : "garbage");
        files.kinds[base_ + "/" + name] = platform::PathKind::File;
        return base_ + "/" + name;
    }
    // A directory entry whose search yields the listing in order; its file
    // names get bitmaps, those in `bad` unreadable bytes.
    std::string directory(const std::string& name, const std::vector<FoundName>& listing,
                          bool trailingBackslash = false, const Strings& bad = {}) {
        const std::string path = base_ + "/" + name;
        fs::create_directories(fs::u8path(path));
        for (const FoundName& found : listing) {
            if (found.isDirectory) continue;
            bool good = std::find(bad.begin(), bad.end(), found.name) == bad.end();
            test::writeFile(path + "\\" + found.name, good ? "BM" : "garbage");
        }
        const std::string entry = trailingBackslash ? path + "\\" : path;
        files.addDirectory(entry, listing, path + "\\*.*");
        return entry;
    }
    std::string missing(const std::string& name) const { return base_ + "/" + name; }
    const std::string& base() const { return base_; }

    void method(const std::string& word) { registry.setText(kSettingsKey, kSelectionMethodSetting, word); }

    void change(const std::string& list) { changeWallpaper(state, list.c_str(), ChangeRequest::Command); }
    std::string storedList() const { return registry.text(kSettingsKey, kFilesSetting); }

    WallpaperState state;
    fakes::FakeRegistry registry;
    fakes::FakeFileSystem files;
    fakes::FakeDesktop desktop;
    fakes::ScriptedRandom random;
    fakes::ScriptedSaveDialog dialog;
    test::RecordingSink messages;

private:
    test::TempFile scratch{".dir"};
    const std::string base_ = scratch.path();
};

TEST_F(WallpaperChange, TheSelectionMethodChoosesTheNextEntry) {
    struct Case {
        const char* method;  // nullptr: no setting
        int indexBefore;
        std::deque<int> draws;
        int chosen;
        int drawn;
    };
    // 32767 / 3 = 10922 generator values per entry; 32766 and 32767 name no
    // entry and are drawn again.
    const Case cases[] = {
        {nullptr, -1, {10922 * 2}, 2, 1}, {"Random", 1, {10921}, 0, 1}, {nullptr, 0, {32766, 32767, 10922}, 1, 3},
        {"random", 0, {}, 1, 0},  // not the exact word: sequential
        {"Sequential", -1, {}, 0, 0},     {"Sequential", 1, {}, 2, 0},  {"Sequential", 2, {}, 0, 0},
        {"Sequential", -7, {}, 0, 0},
    };
    const Strings entries = {file("a.bmp"), file("b.bmp"), file("c.bmp")};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.method ? c.method : "(none)") + " " + std::to_string(c.indexBefore));
        fakes::ScriptedRandom draws(c.draws);
        registry.keys.clear();
        if (c.method) method(c.method);
        state.currentIndex = c.indexBefore;
        desktop.wallpapers.clear();
        change(listOf(entries));
        EXPECT_EQ(desktop.wallpapers, Strings{entries[size_t(c.chosen)]});
        EXPECT_EQ(state.currentIndex, c.chosen);
        EXPECT_EQ(draws.drawn, c.drawn);
    }
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(WallpaperChange, InactiveChangesAdvanceTheSequenceButTouchNothing) {
    method("Sequential");
    const Strings entries = {file("a.bmp"), file("b.bmp"), file("c.bmp")};
    state.changesActive = 0;
    change(listOf(entries));
    change(listOf(entries));
    EXPECT_TRUE(desktop.wallpapers.empty());
    EXPECT_EQ(state.currentIndex, 1);
    EXPECT_TRUE(files.attributeQueries.empty());
    change("");  // the empty list removes the wallpaper all the same
    state.changesActive = 1;
    change(listOf(entries));
    change("");
    EXPECT_EQ(desktop.wallpapers, (Strings{"", entries[2], ""}));
    EXPECT_TRUE(messages.shown.empty());
}

// Every kind of unusable entry, answered Yes (remove it), No (keep it) or
// Cancel (stop), as the first of three entries in sequential order.
TEST_F(WallpaperChange, AnUnusableEntryIsOfferedForRemoval) {
    struct Case {
        const char* what;
        std::string entry;
        Strings shown;  // every box, the question last
    };
    const std::string longest(1299, 'y');  // fits the buffer, names no file
    files.kinds[longest] = platform::PathKind::File;
    const std::string tooLong(1300, 'x');
    // The same limits in characters of three UTF-8 bytes (one UTF-16 unit)
    // and of four (two units).
    std::string longestChinese, tooLongEmoji;
    for (int i = 0; i < 1299; ++i) longestChinese += "\xE8\xA1\xA8";   // U+8868
    for (int i = 0; i < 650; ++i) tooLongEmoji += "\xF0\x9F\x8C\x84";  // U+1F304
    files.kinds[longestChinese] = platform::PathKind::File;
    const std::string broken = file("broken.pic", false);
    const std::string empty = directory("empty", {{".", true}, {"..", true}, {"sub", true}});
    const std::string mixed = directory("mixed", {{".", true}, {"bad.pic", false}}, false, {"bad.pic"});
    const Case cases[] = {
        {"deleted file", missing("gone.jpg"), {readQuestion(missing("gone.jpg"))}},
        {"too long for a path", tooLong, {readQuestion(tooLong)}},
        {"unsupported", broken, {"Unsupported file format for file \"" + broken + "\".", loadQuestion(broken)}},
        {"cannot be opened", longest, {"Unable to open file \"" + longest + "\".", loadQuestion(longest)}},
        {"too long in emoji", tooLongEmoji, {readQuestion(tooLongEmoji)}},
        {"longest in Chinese",
         longestChinese,
         {"Unable to open file \"" + longestChinese + "\".", loadQuestion(longestChinese)}},
        {"directory without files", empty, {directoryQuestion(empty)}},
        {"directory with a bad file",
         mixed,
         {"Unsupported file format for file \"" + mixed + "\\bad.pic\".", directoryQuestion(mixed + "\\bad.pic")}},
    };
    const std::string next = file("next.bmp"), after = file("after.bmp");
    for (const Case& c : cases) {
        for (int answer : {platform::kIdYes, platform::kIdNo, platform::kIdCancel}) {
            SCOPED_TRACE(std::string(c.what) + " answered " + std::to_string(answer));
            registry.keys.clear();
            method("Sequential");
            state.currentIndex = -1;
            desktop.wallpapers.clear();
            files.attributeQueries.clear();
            messages.shown.clear();
            messages.answers.assign(c.shown.size() - 1, platform::kIdOk);
            messages.answers.push_back(answer);
            const std::string list = listOf({c.entry, next, after});
            change(list);
            ASSERT_EQ(messages.shown.size(), c.shown.size());
            for (size_t i = 0; i < c.shown.size(); ++i) EXPECT_EQ(messages.shown[i].text, c.shown[i]);
            EXPECT_EQ(messages.shown.back().caption, "Vellumere Error");
            EXPECT_EQ(messages.shown.back().style, platform::kMbIconQuestion | platform::kMbYesNoCancel);
            for (const std::string& query : files.attributeQueries) EXPECT_TRUE(platform::fitsPathBuffer(query));
            if (answer == platform::kIdYes) {
                // The removal is stored and the sequence moves on past the
                // entry that took the removed one's place.
                EXPECT_EQ(storedList(), listOf({next, after}));
                EXPECT_EQ(desktop.wallpapers, Strings{after});
            } else {
                EXPECT_FALSE(registry.hasValue(kSettingsKey, kFilesSetting));
                EXPECT_EQ(desktop.wallpapers, answer == platform::kIdNo ? Strings{next} : Strings{});
            }
        }
    }
}

TEST_F(WallpaperChange, TheOnlyEntryIsAskedAboutUntilCancelOrRemoval) {
    method("Sequential");
    const std::string list = listOf({missing("gone.jpg")});
    messages.answers = {platform::kIdNo, platform::kIdNo, platform::kIdCancel};
    change(list);
    EXPECT_EQ(messages.shown.size(), 3u);
    EXPECT_TRUE(desktop.wallpapers.empty());
    EXPECT_FALSE(registry.hasValue(kSettingsKey, kFilesSetting));

    messages.answers = {platform::kIdYes};
    change(list);
    EXPECT_EQ(messages.shown.size(), 4u);
    EXPECT_TRUE(registry.hasValue(kSettingsKey, kFilesSetting));
    EXPECT_EQ(storedList(), "");
    EXPECT_EQ(desktop.wallpapers, Strings{""});
}

TEST_F(WallpaperChange, ADirectoryGivesOneOfItsFilesAndLeavesTheSequenceAlone) {
    // The first name is passed over unexamined even when it is a file, as in
    // a drive's root; "..", and subdirectories never count.
    const std::vector<FoundName> listing = {
        {"first.bmp", false}, {"..", true}, {"sub", true}, {"x.bmp", false}, {"y.bmp", false}};
    method("Sequential");
    for (bool trailingBackslash : {false, true}) {
        SCOPED_TRACE(trailingBackslash);
        const std::string dir = directory(trailingBackslash ? "slash" : "plain", listing, trailingBackslash);
        const std::string prefix = trailingBackslash ? dir : dir + "\\";
        const std::string after = file("after.bmp");
        const std::string list = listOf({dir, after});
        desktop.wallpapers.clear();
        random.add(0);
        state.currentIndex = -1;
        change(list);
        random.add(16383);  // the second of two files (32767 / 2 = 16383 values each)
        state.currentIndex = -1;
        change(list);
        change(list);
        EXPECT_EQ(desktop.wallpapers, (Strings{prefix + "x.bmp", prefix + "y.bmp", after}));
        EXPECT_EQ(files.openSearches, 0);  // every search was ended
    }
}

// While a question is open the user may edit the list in the options dialog
// and a tick or a menu command may fall due. The answer acts on the list as
// stored then, and no second change starts inside the first.
TEST_F(WallpaperChange, AnAnswerActsOnTheListAsItIsNowAndNoChangeNestsInIt) {
    method("Sequential");
    const std::string gone = missing("gone.jpg"), a = file("a.bmp"), b = file("b.bmp");
    struct Case {
        const char* what;
        std::string storedMeanwhile;  // what the options dialog stores while the question is open
        int answer;
        std::string storedAfter;
        Strings wallpapers;
    };
    const Case cases[] = {
        {"entry kept by the edit, removed by Yes", listOf({b, gone, a}), platform::kIdYes, listOf({b, a}), {a}},
        {"entry already deleted in the dialog", listOf({a, b}), platform::kIdYes, listOf({a, b}), {b}},
        {"No goes on with the edited list", listOf({a, b, gone}), platform::kIdNo, listOf({a, b, gone}), {b}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        state.currentIndex = -1;
        desktop.wallpapers.clear();
        registry.setText(kSettingsKey, kFilesSetting, listOf({gone, a}));
        messages.shown.clear();
        messages.answers = {c.answer};
        int nested = 0;
        messages.onShow = [&] {
            registry.setText(kSettingsKey, kFilesSetting, c.storedMeanwhile);
            ++nested;
            changeWallpaper(state, listOf({a}).c_str(), ChangeRequest::Tick);  // a tick during the question
        };
        change(listOf({gone, a}));
        messages.onShow = nullptr;
        EXPECT_EQ(nested, 1);
        EXPECT_EQ(messages.shown.size(), 1u);  // the nested change showed nothing
        EXPECT_EQ(storedList(), c.storedAfter);
        EXPECT_EQ(desktop.wallpapers, c.wallpapers);
        EXPECT_FALSE(state.changeRunning);
    }
}

// A change the user asks for while another is asking (the options dialog's
// OK with a new list, "Change Wallpaper") runs once that one ends, from the
// list stored then; ticks meanwhile are skipped.
TEST_F(WallpaperChange, ACommandDuringAQuestionRunsOnceItEnds) {
    method("Sequential");
    const std::string gone = missing("gone.jpg"), a = file("a.bmp"), b = file("b.bmp");
    registry.setText(kSettingsKey, kFilesSetting, listOf({gone, a}));
    messages.answers = {platform::kIdCancel};
    messages.onShow = [&] {
        registry.setText(kSettingsKey, kFilesSetting, listOf({b}));  // OK stores its list
        for (int i = 0; i < 2; ++i) changeWallpaper(state, listOf({b}).c_str(), ChangeRequest::Command);
        changeWallpaper(state, listOf({a}).c_str(), ChangeRequest::Tick);
    };
    change(listOf({gone, a}));
    messages.onShow = nullptr;
    EXPECT_EQ(desktop.wallpapers, Strings{b});
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_FALSE(state.changePending);
}

// While a full-screen program runs, the update timer's change waits and runs
// once when it ends; the user's changes do not wait; "Full Screen Pause" "0"
// (and only that) makes ticks run as before.
TEST_F(WallpaperChange, TicksWaitForAFullScreenProgramToEnd) {
    method("Sequential");
    const std::string a = file("a.bmp"), b = file("b.bmp"), c = file("c.bmp");
    registry.setText(kSettingsKey, kFilesSetting, listOf({a, b, c}));
    fakes::FakeNotificationState shell;
    QuietTicks ticks;

    shell.fullScreen = true;
    EXPECT_TRUE(ticks.tick(state));
    EXPECT_TRUE(ticks.tick(state));  // a second tick adds no second change
    EXPECT_FALSE(ticks.check(state));
    change(listOf({a, b, c}));  // the menu, a hotkey, the command line
    EXPECT_EQ(desktop.wallpapers, Strings{a});
    shell.fullScreen = false;
    state.changeRunning = true;  // a change is asking a question: wait for it too
    EXPECT_FALSE(ticks.check(state));
    state.changeRunning = false;
    EXPECT_TRUE(ticks.check(state));
    EXPECT_FALSE(ticks.waiting());
    EXPECT_FALSE(ticks.check(state));  // once
    EXPECT_EQ(desktop.wallpapers, (Strings{a, b}));
    EXPECT_FALSE(ticks.tick(state));  // nothing full screen: at once
    EXPECT_EQ(desktop.wallpapers, (Strings{a, b, c}));

    shell.fullScreen = true;
    for (const char* stored : {"1", "", "yes"}) {
        registry.setText(kSettingsKey, kFullScreenPauseSetting, stored);
        EXPECT_TRUE(fullScreenPauseWanted()) << stored;
    }
    EXPECT_TRUE(ticks.tick(state));
    registry.setText(kSettingsKey, kFullScreenPauseSetting, "0");  // switched off while one waits
    EXPECT_TRUE(ticks.check(state));
    EXPECT_FALSE(ticks.tick(state));
    EXPECT_EQ(desktop.wallpapers, (Strings{a, b, c, a, b}));
}

// The generator value that makes a draw among n choices take choice k.
int drawOf(int k, int n) {
    return 32767 / n * k;
}

TEST_F(WallpaperChange, ShuffleShowsEveryEntryOnceARoundAcrossRestartsAndEdits) {
    method("Shuffle");
    // Names in Greek, Chinese, with an emoji and accented.
    const std::string a = file("\xCE\xB1.bmp"), b = file("b.bmp"), c = file("\xE8\xA1\xA8.bmp"),
                      d = file("\xF0\x9F\x8C\x84.bmp"), e = file("caf\xC3\xA9.bmp"), f = file("f.bmp");
    // Among the entries still to come: the last of five, the first of four,
    // the second of three.
    for (int value : {drawOf(4, 5), drawOf(0, 4), drawOf(1, 3)}) random.add(value);
    for (int i = 0; i < 3; ++i) change(listOf({a, b, c, d, e}));
    EXPECT_EQ(desktop.wallpapers, (Strings{e, a, c}));
    EXPECT_EQ(registry.text(kSettingsKey, kShuffleRoundSetting), listOf({a, c, e}));

    // A restart remembers nothing but the stored round; meanwhile b was
    // removed and f added: d and f are still to come, then a new round.
    state = WallpaperState{};
    for (int value : {drawOf(1, 2), drawOf(0, 1), drawOf(2, 4)}) random.add(value);
    for (int i = 0; i < 3; ++i) change(listOf({a, c, d, e, f}));
    EXPECT_EQ(desktop.wallpapers, (Strings{e, a, c, f, d, d}));
    EXPECT_EQ(registry.text(kSettingsKey, kShuffleRoundSetting), listOf({d}));

    // With the list in its file, the round lives in a file beside it.
    registry.setText(kSettingsKey, kFilesSetting, "File");
    registry.setText(kSettingsKey, "FilesFile", "C:\\lists\\list.qx");
    files.files["C:\\lists\\list.qx"] = "\xEF\xBB\xBF" + listOf({a, c});
    random.add(0);
    change(listOf({a, c}));
    EXPECT_EQ(files.files["C:\\lists\\list.qx.round"], "\xEF\xBB\xBF" + listOf({a}));  // UTF-8, marked
    EXPECT_EQ(registry.text(kSettingsKey, kShuffleRoundSetting), listOf({d}));
}

// The stored round is plain data, never more than the list, and anything
// else is a new round, silently: the draw then ranges over every entry.
TEST_F(WallpaperChange, AStoredRoundThatCannotBeTheListsIsANewRound) {
    method("Shuffle");
    const std::string a = file("a.bmp"), b = file("b.bmp");
    const std::string list = listOf({a, b});
    const std::string oversized = listOf({a}) + std::string(list.size(), '\a');
    struct Case {
        const char* what;
        bool listInFile;
        std::string round;  // as stored
    };
    const Case cases[] = {
        {"longer than the list", false, oversized},
        {"longer than the list, in its file", true, oversized},
        {"the text of a file-backed value's marker", false, "File"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        state = WallpaperState{};
        registry.keys.clear();
        method("Shuffle");
        desktop.wallpapers.clear();
        messages.shown.clear();
        if (c.listInFile) {
            registry.setText(kSettingsKey, kFilesSetting, "File");
            registry.setText(kSettingsKey, "FilesFile", "C:\\lists\\list.qx");
            files.files["C:\\lists\\list.qx"] = list;
            files.files["C:\\lists\\list.qx.round"] = c.round;
        } else {
            registry.setText(kSettingsKey, kShuffleRoundSetting, c.round);
            // Followed as a marker, this would send the round to a missing file.
            registry.setText(kSettingsKey, "Shuffle RoundFile", missing("round.txt"));
        }
        random.add(0);
        change(list);
        EXPECT_EQ(desktop.wallpapers, Strings{a});
        EXPECT_TRUE(messages.shown.empty());
    }
}

// The round counts a picture once it is on screen, stays in the run when it
// cannot be stored, and the failure to store it is told once a run.
TEST_F(WallpaperChange, TheRoundCountsWhatWasSetAndOutlivesAFailedStore) {
    method("Shuffle");
    const std::string gone = missing("gone.bmp"), a = file("a.bmp"), b = file("b.bmp");
    // gone is drawn and fails (No); the second attempt draws among all three again.
    for (int value : {drawOf(0, 3), drawOf(1, 3)}) random.add(value);
    messages.answers = {platform::kIdNo};
    change(listOf({gone, a, b}));
    EXPECT_EQ(desktop.wallpapers, Strings{a});
    EXPECT_EQ(registry.text(kSettingsKey, kShuffleRoundSetting), listOf({a}));

    state = WallpaperState{};
    desktop.wallpapers.clear();
    messages.shown.clear();
    registry.keys[kSettingsKey].erase(kShuffleRoundSetting);
    registry.failSetValueNamed = kShuffleRoundSetting;
    for (int value : {drawOf(0, 2), drawOf(0, 1)}) random.add(value);
    for (int i = 0; i < 2; ++i) change(listOf({a, b}));
    EXPECT_EQ(desktop.wallpapers, (Strings{a, b}));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text,
              "Unable to store which pictures this shuffled round has shown.\nVellumere remembers them until it "
              "ends; after a restart they may come again before the round is over.");
    EXPECT_EQ(messages.shown[0].caption, "Vellumere Error");
}

// "Center" and "Tile" set the system's layout; "Fit", "Fill" and "Stretch"
// scale a converted picture into a screen-sized bitmap set centred, and
// leave a bitmap used as it lies to the system's own sizing.
TEST_F(WallpaperChange, ThePositionLaysOutOrScalesThePicture) {
    using Layout = platform::WallpaperLayout;
    test::TempFile bitmap(".bmp");
    registry.setText(kSettingsKey, kTempFilenameSetting, bitmap.path());
    const std::string red = base() + "/red.ppm";  // 4 x 2, all red
    std::ofstream(red, std::ios::binary) << "P6\n4 2\n255\n" << std::string(8 * 3, '\0');
    {
        std::fstream picture(red, std::ios::binary | std::ios::in | std::ios::out);
        picture.seekp(11);
        for (int i = 0; i < 8; ++i) picture.write("\xFF\0\0", 3);
    }
    files.kinds[red] = platform::PathKind::File;
    const std::string own = file("own.bmp");
    desktop.screen = {8, 8};
    desktop.background = 0x102030;
    struct Case {
        const char* position;  // nullptr: none stored
        std::string entry;
        std::vector<Layout> layouts;
        int width, height;     // of the temporary bitmap; 0: the entry is set itself
        uint32_t top, middle;  // colours of pixels (0, 0) and (4, 4)
    };
    const Case cases[] = {
        {nullptr, red, {}, 4, 2, 0xFF0000, 0},
        {"Center", red, {Layout::Centred}, 4, 2, 0xFF0000, 0},
        {"Tile", red, {Layout::Tiled}, 4, 2, 0xFF0000, 0},
        {"Fit", red, {Layout::Centred}, 8, 8, 0x102030, 0xFF0000},
        {"Fill", red, {Layout::Centred}, 8, 8, 0xFF0000, 0xFF0000},
        {"Stretch", red, {Layout::Centred}, 8, 8, 0xFF0000, 0xFF0000},
        {"Fit", own, {Layout::Fitted}, 0, 0, 0, 0},
        {"Fill", own, {Layout::Filled}, 0, 0, 0, 0},
        {"fit", red, {}, 4, 2, 0xFF0000, 0},  // not a known text: as if absent
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.position ? c.position : "(none)") + " " + c.entry);
        registry.keys[kSettingsKey].erase(kPositionSetting);
        if (c.position) registry.setText(kSettingsKey, kPositionSetting, c.position);
        desktop.layouts.clear();
        desktop.wallpapers.clear();
        change(listOf({c.entry}));
        EXPECT_EQ(desktop.layouts, c.layouts);
        ASSERT_EQ(desktop.wallpapers, Strings{c.width ? bitmap.path() : c.entry});
        if (!c.width) continue;
        const std::vector<unsigned char> bmp = bitmap.read();
        ASSERT_GE(bmp.size(), 54u);
        auto u32 = [&](size_t at) {
            return uint32_t(bmp[at] | bmp[at + 1] << 8 | bmp[at + 2] << 16 | bmp[at + 3] << 24);
        };
        ASSERT_EQ(u32(18), uint32_t(c.width));
        ASSERT_EQ(u32(22), uint32_t(c.height));
        // Rows bottom-up, 24-bit, padded to 4 bytes.
        const size_t stride = (size_t(c.width) * 3 + 3) & ~size_t(3);
        auto pixel = [&](int x, int y) {
            const size_t at = 54 + size_t(c.height - 1 - y) * stride + size_t(x) * 3;
            return uint32_t(bmp[at + 2]) << 16 | uint32_t(bmp[at + 1]) << 8 | bmp[at];
        };
        EXPECT_EQ(pixel(0, 0), c.top);
        if (c.height > 4) {
            EXPECT_EQ(pixel(4, 4), c.middle);
        }
    }
    EXPECT_TRUE(messages.shown.empty());
}

// "Previous Wallpaper" goes back through the pictures set in this run: the
// files themselves, so a directory's drawn file comes back too.
TEST_F(WallpaperChange, PreviousWallpaperBringsBackThePicturesSetBefore) {
    method("Sequential");
    const std::string a = file("a.bmp"), b = file("\xF0\x9F\x8C\x84.bmp");
    const std::string dir = directory("\xCE\xA6\xCF\x89\xCF\x84\xCE\xBF", {{".", true}, {"\xE7\x85\xA7.bmp", false}});
    const Strings list = {a, dir, b};
    EXPECT_FALSE(hasPreviousWallpaper(state));
    for (int i = 0; i < 3; ++i) change(listOf(list));
    const std::string x = dir + "\\\xE7\x85\xA7.bmp";
    EXPECT_EQ(state.history.current(), b);
    showPreviousWallpaper(state);
    showPreviousWallpaper(state);
    EXPECT_FALSE(hasPreviousWallpaper(state));
    showPreviousWallpaper(state);  // nothing before the first
    EXPECT_EQ(desktop.wallpapers, (Strings{a, x, b, x, a}));
    EXPECT_EQ(state.history.current(), a);

    // A picture whose file is gone is reported, forgotten and skipped the
    // next time; the one on screen stays what it was.
    for (int i = 0; i < 3; ++i) change(listOf(list));  // a (no new step), x, b
    fs::remove(fs::u8path(x));
    showPreviousWallpaper(state);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Unable to open file \"" + x + "\".");
    EXPECT_EQ(state.history.current(), b);
    showPreviousWallpaper(state);
    EXPECT_EQ(desktop.wallpapers.back(), a);
    EXPECT_EQ(messages.shown.size(), 1u);
}

// The picture on screen is known by its full path, so a relative entry is
// still found once the current folder has changed; "Show Picture File" opens
// Explorer at it, or says that it is gone rather than open some other folder.
TEST_F(WallpaperChange, ThePictureOnScreenIsKnownByItsFullPath) {
    const std::string a = file("a.bmp");
    files.kinds["a.bmp"] = platform::PathKind::File;
    files.currentDirectory = base();
    const fs::path started = fs::current_path();
    fs::current_path(base());
    change(listOf({"a.bmp"}));
    fs::current_path(started);
    EXPECT_EQ(desktop.wallpapers, Strings{"a.bmp"});
    EXPECT_EQ(state.history.current(), a);

    showPictureFile(state);
    EXPECT_EQ(desktop.inExplorer, Strings{a});
    EXPECT_TRUE(messages.shown.empty());

    files.kinds.erase(a);  // deleted meanwhile
    showPictureFile(state);
    EXPECT_EQ(desktop.inExplorer, Strings{a});
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text,
              "The picture file \"" + a + "\" no longer exists.\nIt may have been moved or deleted.");
    EXPECT_EQ(messages.shown[0].caption, "Vellumere Error");
}

// Excluded pictures never come: not from a directory's draw, nor as file
// entries in any order, whatever the letter case of the stored path.
TEST_F(WallpaperChange, ExcludedPicturesAreSkippedByEveryChoice) {
    const std::string a = file("a.bmp"), b = file("b.bmp"), c = file("c.bmp");
    const std::string dir = directory("dir", {{".", true}, {"x.bmp", false}, {"y.bmp", false}, {"z.bmp", false}});
    const std::string x = dir + "\\x.bmp", y = dir + "\\y.bmp", z = dir + "\\z.bmp";
    std::string upperY = y;
    upperY.replace(upperY.size() - 5, 1, "Y");
    registry.setText(kSettingsKey, kExcludedSetting, listOf({b, upperY, x}));
    const std::string list = listOf({a, b, dir, c});
    struct Case {
        const char* method;
        std::deque<int> draws;
        int changes;
        Strings wallpapers;
    };
    const Case cases[] = {
        // Sequential from the start: a, (b passed over), the directory, c, a.
        {"Sequential", {0}, 4, {a, z, c, a}},
        // The draw of the second of four (b) is drawn again; in the directory
        // only z remains, one file among one.
        {"Random", {drawOf(1, 4), drawOf(2, 4), 0}, 1, {z}},
        // Three entries to come in the round (a, dir, c), then a new round.
        {"Shuffle", {drawOf(1, 3), 0, drawOf(1, 2), drawOf(0, 1), drawOf(0, 3)}, 4, {z, c, a, a}},
    };
    for (const Case& t : cases) {
        SCOPED_TRACE(t.method);
        state = WallpaperState{};
        registry.keys[kSettingsKey].erase(kShuffleRoundSetting);
        method(t.method);
        desktop.wallpapers.clear();
        fakes::ScriptedRandom draws(t.draws);
        for (int i = 0; i < t.changes; ++i) change(list);
        EXPECT_EQ(desktop.wallpapers, t.wallpapers);
        EXPECT_EQ(draws.drawn, int(t.draws.size()));
    }
    EXPECT_TRUE(messages.shown.empty());
}

// A directory whose every file is excluded is a directory without pictures:
// the question offers to remove it. A list whose every entry is an
// excluded picture is a list without entries: the wallpaper goes.
TEST_F(WallpaperChange, NothingLeftToShowIsAnEmptyDirectoryOrAnEmptyList) {
    method("Sequential");
    const std::string a = file("a.bmp"), b = file("b.bmp");
    const std::string dir = directory("dir", {{".", true}, {"x.bmp", false}, {"sub", true}});
    registry.setText(kSettingsKey, kExcludedSetting, listOf({dir + "\\x.bmp", b}));
    messages.answers = {platform::kIdYes};
    change(listOf({dir, a}));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, directoryQuestion(dir));
    EXPECT_EQ(storedList(), listOf({a}));
    EXPECT_EQ(desktop.wallpapers, Strings{a});

    change(listOf({b, b}));
    EXPECT_EQ(desktop.wallpapers, (Strings{a, ""}));
    EXPECT_EQ(messages.shown.size(), 1u);
}

// "Remove Picture from List": a file entry goes once the user agrees (every
// entry naming it); a directory's picture is excluded; either way the
// wallpaper changes and "Previous Wallpaper" cannot bring the picture back.
TEST_F(WallpaperChange, RemovingThePictureOnScreen) {
    method("Sequential");
    const std::string a = file("a.bmp"), b = file("b.bmp");
    const std::string dir = directory("dir", {{".", true}, {"x.bmp", false}, {"y.bmp", false}});
    const std::string x = dir + "\\x.bmp", y = dir + "\\y.bmp";
    EXPECT_FALSE(canRemovePicture(state));
    removePictureFromList(state);  // nothing on screen: nothing happens
    EXPECT_TRUE(messages.shown.empty());

    registry.setText(kSettingsKey, kFilesSetting, listOf({a, b, a}));
    change(listOf({a, b, a}));
    change(listOf({a, b, a}));
    ASSERT_EQ(state.history.current(), b);
    showPreviousWallpaper(state);  // a again
    ASSERT_TRUE(canRemovePicture(state));
    messages.answers = {platform::kIdNo};
    removePictureFromList(state);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Do you want to remove the file \"" + a + "\" from the display list?");
    EXPECT_EQ(messages.shown[0].caption, "Vellumere");
    EXPECT_EQ(messages.shown[0].style, platform::kMbIconQuestion | platform::kMbYesNo);
    EXPECT_EQ(storedList(), listOf({a, b, a}));
    EXPECT_EQ(desktop.wallpapers, (Strings{a, b, a}));

    removePictureFromList(state);  // Yes
    EXPECT_EQ(storedList(), listOf({b}));
    EXPECT_EQ(desktop.wallpapers, (Strings{a, b, a, b}));
    EXPECT_FALSE(registry.hasValue(kSettingsKey, kExcludedSetting));
    EXPECT_FALSE(hasPreviousWallpaper(state));

    // From a directory: excluded without a question, and never drawn again.
    messages.shown.clear();
    registry.setText(kSettingsKey, kFilesSetting, listOf({dir}));
    random.add(0);
    change(listOf({dir}));
    ASSERT_EQ(state.history.current(), x);
    random.add(0);  // the only file left: y
    removePictureFromList(state);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(registry.text(kSettingsKey, kExcludedSetting), listOf({x}));
    EXPECT_EQ(desktop.wallpapers.back(), y);
    for (int i = 0; i < 3; ++i) change(listOf({dir}));
    EXPECT_EQ(desktop.wallpapers.back(), y);
    showPreviousWallpaper(state);
    EXPECT_NE(desktop.wallpapers.back(), x);

    // A file entry that a directory entry also holds: removed and excluded.
    files.kinds[y] = platform::PathKind::File;
    registry.setText(kSettingsKey, kFilesSetting, listOf({y, dir, b}));
    state.currentIndex = -1;
    change(listOf({y, dir, b}));
    ASSERT_EQ(state.history.current(), y);
    removePictureFromList(state);
    EXPECT_EQ(storedList(), listOf({dir, b}));
    EXPECT_EQ(registry.text(kSettingsKey, kExcludedSetting), listOf({x, y}));
}

TEST(DirectoryPick, FormsThePathOrLeavesItAlone) {
    struct Case {
        std::string path;
        std::vector<FoundName> listing;
        std::string picked;  // empty: none, the path stays
        int searches;
    };
    const std::string deep(1280, 'd'), tooDeep(1296, 'd');
    const Case cases[] = {
        {"C:\\", {{"boot.ini", false}, {"a.bmp", false}, {"Windows", true}}, "C:\\a.bmp", 2},
        {"D:\\pics", {{".", true}, {"a.bmp", false}}, "D:\\pics\\a.bmp", 2},
        {"E:\\nothing", {}, "", 1},                                   // the search fails
        {"E:\\subs", {{".", true}, {"sub", true}}, "", 1},            // no files
        {deep, {{".", true}, {std::string(40, 'n'), false}}, "", 2},  // the name does not fit
        {tooDeep, {{".", true}, {"a", false}}, "", 0},                // nor does the search pattern
        // A name in Chinese: a separator follows its last character.
        {"J:\\\xE8\xA1\xA8", {{".", true}, {"a.bmp", false}}, "J:\\\xE8\xA1\xA8\\a.bmp", 2},
        {"J:\\\xE8\xA1\xA8\\", {{".", true}, {"a.bmp", false}}, "J:\\\xE8\xA1\xA8\\a.bmp", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.substr(0, 12));
        fakes::FakeFileSystem files;
        fakes::ScriptedRandom random;
        files.listings[c.picked.empty() ? c.path + (c.path.back() == '\\' ? "" : "\\") + "*.*"
                                        : c.picked.substr(0, c.picked.rfind('\\') + 1) + "*.*"] = c.listing;
        std::vector<char> buffer(c.path.begin(), c.path.end());
        buffer.resize(platform::kUtf8PathBufferSize, '\0');
        EXPECT_EQ(pickFileInDirectory(buffer.data(), Exclusions()), !c.picked.empty());
        EXPECT_EQ(std::string(buffer.data()), c.picked.empty() ? c.path : c.picked);
        EXPECT_EQ(files.searches.size(), size_t(c.searches));
        EXPECT_EQ(random.drawn, c.searches == 2 ? 1 : 0);  // drawn once the files are counted
    }
}

TEST(DirectoryPick, FewerFilesAtTheSecondLookTakeTheLastOneFound) {
    class ShrinkingFiles : public fakes::FakeFileSystem {
    public:
        std::unique_ptr<platform::DirectorySearch> search(const char* pattern) override {
            if (++calls == 2) listings[pattern] = {{".", true}, {"only.bmp", false}};
            return FakeFileSystem::search(pattern);
        }
        int calls = 0;
    } files;
    fakes::ScriptedRandom random({32767 / 3 * 2});
    files.listings["F:\\d\\*.*"] = {{".", true}, {"a", false}, {"b", false}, {"c", false}};
    char path[platform::kUtf8PathBufferSize] = "F:\\d";
    ASSERT_TRUE(pickFileInDirectory(path, Exclusions()));
    EXPECT_STREQ(path, "F:\\d\\only.bmp");
}

// A written 24-bit bitmap: its size and pixels (rows bottom-up, padded).
struct Bitmap {
    explicit Bitmap(const std::vector<unsigned char>& bytes) : bytes_(bytes) {
        if (bytes_.size() < 54) return;
        width = int32_t(u32(18));
        height = int32_t(u32(22));
    }
    uint32_t pixel(int32_t x, int32_t y) const {
        const size_t stride = (size_t(width) * 3 + 3) & ~size_t(3);
        const size_t at = 54 + size_t(height - 1 - y) * stride + size_t(x) * 3;
        if (at + 3 > bytes_.size()) return 0xFFFFFFFF;
        return uint32_t(bytes_[at + 2]) << 16 | uint32_t(bytes_[at + 1]) << 8 | bytes_[at];
    }
    int32_t width = 0, height = 0;

private:
    uint32_t u32(size_t at) const {
        return uint32_t(bytes_[at] | bytes_[at + 1] << 8 | bytes_[at + 2] << 16 | uint32_t(bytes_[at + 3]) << 24);
    }
    std::vector<unsigned char> bytes_;
};

// Several monitors: a primary of 8 x 6 with a monitor of 4 x 4 left of it
// and one of 6 x 6 right of it; bitmap box 18 x 6, primary at x 4.
class SeveralMonitors : public WallpaperChange {
protected:
    SeveralMonitors() {
        registry.setText(kSettingsKey, kTempFilenameSetting, bitmap.path());
        desktop.monitorList = {{0, 0, 8, 6, true}, {-4, 1, 0, 5, false}, {8, 0, 14, 6, false}};
        desktop.background = 0x102030;
    }
    // A solid picture (PPM) of the given size and colour.
    std::string solid(const std::string& name, uint32_t colour, int width = 2, int height = 2) {
        const std::string path = base() + "/" + name;
        std::ofstream out(path, std::ios::binary);
        out << "P6\n" << width << " " << height << "\n255\n";
        for (int i = 0; i < width * height; ++i) {
            out.put(char(colour >> 16)).put(char(colour >> 8)).put(char(colour));
        }
        files.kinds[path] = platform::PathKind::File;
        return path;
    }
    void setting(const char* name, const std::string& text) { registry.setText(kSettingsKey, name, text); }
    Bitmap written() const { return Bitmap(bitmap.read()); }
    // The colours at the four corners of each monitor (primary, left, right) agree.
    void expectMonitors(const Bitmap& bmp, const std::vector<uint32_t>& colours) {
        const int32_t areas[3][4] = {{4, 0, 8, 6}, {0, 1, 4, 4}, {12, 0, 6, 6}};
        ASSERT_EQ(bmp.width, 18);
        ASSERT_EQ(bmp.height, 6);
        for (size_t m = 0; m < colours.size(); ++m) {
            const int32_t* a = areas[m];
            for (int32_t y : {a[1], a[1] + a[3] - 1}) {
                for (int32_t x : {a[0], a[0] + a[2] - 1})
                    EXPECT_EQ(bmp.pixel(x, y), colours[m]) << m << " " << x << "," << y;
            }
        }
    }

    test::TempFile bitmap{".bmp"};
};

// "Each": one picture per monitor, primary first and then left to right, by
// the selection method; "Previous Wallpaper" brings back the whole set, and
// the primary's picture is the one the history and "Show Picture File" know.
TEST_F(SeveralMonitors, EachDrawsOnePicturePerMonitorBySelectionMethod) {
    using Layout = platform::WallpaperLayout;
    setting(kMonitorsSetting, "Each");
    setting(kPositionSetting, "Fill");
    const uint32_t red = 0xFF0000, green = 0x00FF00, blue = 0x0000FF, white = 0xFFFFFF;
    const std::string a = solid("a.ppm", red), b = solid("b.ppm", green), c = solid("c.ppm", blue),
                      d = solid("d.ppm", white);
    const std::string list = listOf({a, b, c, d});

    method("Sequential");
    change(list);
    expectMonitors(written(), {red, green, blue});
    EXPECT_EQ(desktop.layouts, std::vector<Layout>{Layout::Spanned});
    EXPECT_EQ(desktop.wallpapers, Strings{bitmap.path()});
    EXPECT_EQ(written().pixel(0, 0), 0x102030u);  // above the left monitor: a gap
    change(list);                                 // the next ones, round the end
    expectMonitors(written(), {white, red, green});
    EXPECT_EQ(state.history.current(), d);
    showPreviousWallpaper(state);
    expectMonitors(written(), {red, green, blue});
    EXPECT_EQ(state.history.current(), a);

    // Random: distinct pictures, each drawn among those not yet on a monitor.
    method("Random");
    for (int value : {drawOf(1, 4), drawOf(0, 3), drawOf(1, 2)}) random.add(value);  // b; a of a c d; d of c d
    change(list);
    expectMonitors(written(), {green, red, white});

    // Shuffle: the round's remaining entries first; at its end a new round,
    // still without a picture already on another monitor.
    method("Shuffle");
    setting(kShuffleRoundSetting, listOf({a, b}));
    state.shuffleRoundRead = false;
    for (int value : {drawOf(1, 2), drawOf(0, 1), drawOf(1, 2)}) random.add(value);
    change(list);
    expectMonitors(written(), {white, blue, green});  // d, c, then b of the new round (a, b)
    EXPECT_EQ(registry.text(kSettingsKey, kShuffleRoundSetting), listOf({b}));

    // An excluded picture is drawn for no monitor, at random or shuffled.
    setting(kExcludedSetting, listOf({b}));
    method("Random");
    for (int value : {drawOf(0, 4), drawOf(1, 2), drawOf(0, 1)}) random.add(value);  // a; d of c d; c
    change(list);
    expectMonitors(written(), {red, white, blue});
    method("Shuffle");
    setting(kShuffleRoundSetting, "");
    state.shuffleRoundRead = false;
    for (int value : {drawOf(2, 3), drawOf(0, 2), drawOf(0, 1)}) random.add(value);  // d of a c d; a of a c; c
    change(list);
    expectMonitors(written(), {white, red, blue});
    EXPECT_EQ(registry.text(kSettingsKey, kShuffleRoundSetting), listOf({a, c, d}));
    EXPECT_TRUE(messages.shown.empty());
}

// "Same" sizes one picture for every monitor; "Span" lays it across their
// bounding box. Without the span style (before Windows 8) the bitmap is
// tiled from the primary's top-left, turned so that each monitor still
// shows its own part. A change of monitors composes the pictures on screen
// again without drawing.
TEST_F(SeveralMonitors, SameAndSpanComposeOnePictureAndFollowTheMonitors) {
    using Layout = platform::WallpaperLayout;
    setting(kPositionSetting, "Stretch");
    // Left half red, right half blue.
    const std::string halves = base() + "/halves.ppm";
    {
        std::ofstream out(halves, std::ios::binary);
        out << "P6\n2 1\n255\n";
        out.write("\xFF\0\0\0\0\xFF", 6);
    }
    files.kinds[halves] = platform::PathKind::File;

    change(listOf({halves}));  // "Monitors" absent: Same
    const Bitmap same = written();
    ASSERT_EQ(same.width, 18);
    // Each monitor's left edge red, its right edge blue: primary, left, right.
    for (int32_t x : {4, 0, 12}) EXPECT_EQ(same.pixel(x, 1), 0xFF0000u) << x;
    for (int32_t x : {11, 3, 17}) EXPECT_EQ(same.pixel(x, 1), 0x0000FFu) << x;
    EXPECT_EQ(desktop.layouts.back(), Layout::Spanned);

    setting(kMonitorsSetting, "Span");
    change(listOf({halves}));
    Bitmap span = written();
    ASSERT_EQ(span.width, 18);
    EXPECT_EQ(span.pixel(0, 1), 0xFF0000u);
    EXPECT_EQ(span.pixel(17, 1), 0x0000FFu);

    desktop.spans = false;
    desktop.layouts.clear();
    change(listOf({halves}));
    EXPECT_EQ(desktop.layouts, std::vector<Layout>{Layout::Tiled});
    // Bitmap column i shows box column i + 4 (the primary's), round the end.
    EXPECT_EQ(written().pixel(0, 1), 0xFF0000u);   // box column 4
    EXPECT_EQ(written().pixel(14, 1), 0xFF0000u);  // box column 0, the left monitor's first
    EXPECT_EQ(written().pixel(13, 1), 0x0000FFu);  // box column 17, the last

    // Two side by side now: composed again for them, nothing drawn.
    desktop.spans = true;
    setting(kMonitorsSetting, "Each");
    setting(kSelectionMethodSetting, "Sequential");
    const std::string g = solid("g.ppm", 0x00FF00);
    state.currentIndex = -1;
    change(listOf({halves, g}));  // halves, g, halves: fewer entries than monitors
    const int drawn = random.drawn;
    desktop.monitorList = {{0, 0, 8, 6, true}, {8, 0, 12, 4, false}};
    recomposeWallpaper(state);
    const Bitmap again = written();
    ASSERT_EQ(again.width, 12);
    EXPECT_EQ(again.pixel(8, 0), 0x00FF00u);
    EXPECT_EQ(again.pixel(8, 5), 0x102030u);
    EXPECT_EQ(random.drawn, drawn);
    EXPECT_EQ(state.history.currentSet(), (Strings{halves, g, halves}));
    EXPECT_TRUE(messages.shown.empty());
}

// A bitmap file is used as it lies and never decoded, so under "Each" it
// becomes the wallpaper alone; on one monitor every mode is the way of a
// single screen.
TEST_F(SeveralMonitors, ABitmapOrOneMonitorTakesTheSingleScreenWay) {
    setting(kMonitorsSetting, "Each");
    setting(kPositionSetting, "Fill");
    method("Sequential");
    const std::string a = solid("a.ppm", 0xFF0000), own = file("own.bmp");
    change(listOf({a, own}));
    EXPECT_EQ(desktop.wallpapers, Strings{own});
    EXPECT_EQ(desktop.layouts, std::vector<platform::WallpaperLayout>{platform::WallpaperLayout::Filled});
    EXPECT_EQ(state.history.currentSet(), Strings{own});

    desktop.monitorList = {{0, 0, 8, 6, true}};
    desktop.screen = {8, 6};
    desktop.wallpapers.clear();
    change(listOf({a, own}));  // a, alone, for the primary screen
    EXPECT_EQ(desktop.wallpapers, Strings{bitmap.path()});
    EXPECT_EQ(written().width, 8);
    EXPECT_EQ(desktop.layouts.back(), platform::WallpaperLayout::Centred);
}

}  // namespace
