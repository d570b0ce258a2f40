#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "fakes/FakeDesktop.h"
#include "fakes/FakeFileSystem.h"
#include "fakes/FakeRegistry.h"
#include "fakes/ScriptedRandom.h"
#include "fakes/ScriptedSaveDialog.h"
#include "settings/ImageList.h"
#include "settings/SettingsStore.h"
#include "wallpaper/DirectoryPick.h"
#include "wallpaper/WallpaperChange.h"

namespace {

namespace fs = std::filesystem;
using platform::FoundName;

const std::string kKey = kSettingsKey;

std::string readQuestion(const std::string& path) {
    return "There was an error reading the file \"" + path +
           "\".\nIt may have been deleted from your system.\n"
           "Do you want to remove it from the display list?";
}
std::string loadQuestion(const std::string& path) {
    return "There was an error loading the file \"" + path +
           "\".\nDo you want to remove it from the display list?";
}
std::string directoryQuestion(const std::string& path) {
    return "There was an error loading the file \"" + path +
           "\".\nDirectories added to the image list should only contain files that can be "
           "loaded by Vellumere. Do you wish to move the directory from the list?";
}

// Real files for the preparation to open, and the fake file system's view
// of them (kinds and directory listings) for the change.
class WallpaperChange : public ::testing::Test {
protected:
    WallpaperChange() {
        static int counter = 0;
        base_ = (fs::temp_directory_path() /
                 ("vellumere-change-" + std::to_string(++counter) + "-" +
                  std::to_string(std::hash<std::string>{}(fs::current_path().string()) % 100000)))
                    .string();
        fs::create_directories(base_);
        currentIndex = -1;
        changesActive = 1;
    }
    ~WallpaperChange() override {
        std::error_code ignored;
        fs::remove_all(base_, ignored);
        currentIndex = -1;
        changesActive = 1;
    }

    static void writeFile(const std::string& path, const std::string& content) {
        std::ofstream out(path, std::ios::binary);
        out << content;
    }

    std::string bitmap(const std::string& name) {
        std::string path = base_ + "/" + name;
        writeFile(path, "BM bitmap");
        files.kinds[path] = platform::PathKind::File;
        return path;
    }
    std::string broken(const std::string& name) {
        std::string path = base_ + "/" + name;
        writeFile(path, "not a picture at all");
        files.kinds[path] = platform::PathKind::File;
        return path;
    }
    std::string missing(const std::string& name) { return base_ + "/" + name; }

    // A directory entry whose search yields names in this order; each file
    // name gets a real bitmap (or, when listed in brokenNames, a bad file).
    std::string directory(const std::string& name, const std::vector<FoundName>& listing,
                          bool trailingBackslash = false,
                          const std::vector<std::string>& brokenNames = {}) {
        std::string path = base_ + "/" + name;
        fs::create_directories(path);
        for (const FoundName& found : listing) {
            if (found.isDirectory || found.name == "..") continue;
            bool bad = std::find(brokenNames.begin(), brokenNames.end(), found.name) !=
                       brokenNames.end();
            writeFile(path + "\\" + found.name, bad ? "garbage" : "BM bitmap");
        }
        std::string entry = trailingBackslash ? path + "\\" : path;
        files.addDirectory(entry, listing, path + "\\*.*");
        return entry;
    }

    void sequential() { registry.setText(kKey, kSelectionMethodSetting, "Sequential"); }

    // Runs one change on a writable copy and returns the list afterwards.
    std::string change(const std::string& list) {
        std::vector<char> buffer(list.begin(), list.end());
        buffer.push_back('\0');
        changeWallpaper(buffer.data());
        return std::string(buffer.data());
    }

    std::string storedList() const { return registry.text(kKey, kFilesSetting); }

    fakes::FakeRegistry registry;
    fakes::FakeFileSystem files;
    fakes::FakeDesktop desktop;
    fakes::ScriptedRandom random;
    fakes::ScriptedSaveDialog dialog;
    test::RecordingSink messages;

private:
    std::string base_;
};

std::vector<FoundName> usualListing() {
    return {{".", true}, {"..", true}, {"sub", true}, {"x.bmp", false}, {"y.bmp", false}};
}

}  // namespace

TEST_F(WallpaperChange, TheEmptyListRemovesTheWallpaperEvenWhenInactive) {
    change("");
    changesActive = 0;
    change("");
    EXPECT_EQ(desktop.wallpapers, (std::vector<std::string>{"", ""}));
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(WallpaperChange, SequentialSelectionCyclesThroughTheList) {
    sequential();
    const std::string a = bitmap("a.bmp"), b = bitmap("b.bmp"), c = bitmap("c.bmp");
    const std::string list = a + "\a" + b + "\a" + c + "\a";
    for (int i = 0; i < 4; ++i) change(list);
    EXPECT_EQ(desktop.wallpapers, (std::vector<std::string>{a, b, c, a}));
    EXPECT_EQ(currentIndex, 0);
    EXPECT_EQ(random.drawn, 0);
}

TEST_F(WallpaperChange, OnlyTheExactWordRandomOrNoSettingSelectsRandomly) {
    const std::string a = bitmap("a.bmp"), b = bitmap("b.bmp"), c = bitmap("c.bmp");
    const std::string list = a + "\a" + b + "\a" + c + "\a";
    // No setting: random. 32767 / 3 = 10922 draws per entry.
    random.add(10922 * 2);
    change(list);
    EXPECT_EQ(desktop.wallpapers.back(), c);
    registry.setText(kKey, kSelectionMethodSetting, "Random");
    random.add(10921);
    change(list);
    EXPECT_EQ(desktop.wallpapers.back(), a);
    EXPECT_EQ(random.drawn, 2);

    registry.setText(kKey, kSelectionMethodSetting, "random");  // not the exact word
    change(list);
    EXPECT_EQ(desktop.wallpapers.back(), b);
    EXPECT_EQ(random.drawn, 2);
}

TEST_F(WallpaperChange, ARandomDrawPastTheLastEntryIsDrawnAgain) {
    const std::string a = bitmap("a.bmp"), b = bitmap("b.bmp");
    // 32766 and 32767 would name entry 2 of two.
    random.add(32766);
    random.add(32767);
    random.add(16383);
    change(a + "\a" + b + "\a");
    EXPECT_EQ(desktop.wallpapers, std::vector<std::string>{b});
    EXPECT_EQ(currentIndex, 1);
    EXPECT_EQ(random.drawn, 3);
}

TEST_F(WallpaperChange, InactiveChangesStillAdvanceTheSequence) {
    sequential();
    const std::string a = bitmap("a.bmp"), b = bitmap("b.bmp"), c = bitmap("c.bmp");
    const std::string list = a + "\a" + b + "\a" + c + "\a";
    changesActive = 0;
    change(list);
    change(list);
    EXPECT_TRUE(desktop.wallpapers.empty());
    EXPECT_EQ(currentIndex, 1);
    EXPECT_TRUE(files.attributeQueries.empty());
    changesActive = 1;
    change(list);
    EXPECT_EQ(desktop.wallpapers, std::vector<std::string>{c});
}

TEST_F(WallpaperChange, RemovingAFailedEntryMovesTheSequenceTwoPlacesOn) {
    sequential();
    const std::string a = bitmap("a.bmp"), b = broken("b.pic"), c = bitmap("c.bmp"),
                      d = bitmap("d.bmp");
    const std::string list = a + "\a" + b + "\a" + c + "\a" + d + "\a";
    change(list);  // a
    messages.answers.push_back(platform::kIdOk);   // the format message
    messages.answers.push_back(platform::kIdYes);  // remove b
    std::string after = change(list);
    EXPECT_EQ(after, a + "\a" + c + "\a" + d + "\a");
    EXPECT_EQ(storedList(), after);
    EXPECT_EQ(desktop.wallpapers, (std::vector<std::string>{a, d}));
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[0].text, "Unsupported file format for file \"" + b + "\".");
    EXPECT_EQ(messages.shown[1].text, loadQuestion(b));
    EXPECT_EQ(messages.shown[1].caption, "Vellumere Error");
    EXPECT_EQ(messages.shown[1].style, platform::kMbIconQuestion | platform::kMbYesNoCancel);
}

TEST_F(WallpaperChange, ADeletedFileIsAskedAboutUntilCancelOrRemoval) {
    sequential();
    const std::string gone = missing("gone.jpg");
    const std::string list = gone + "\a";
    messages.answers = {platform::kIdNo, platform::kIdNo, platform::kIdCancel};
    EXPECT_EQ(change(list), list);
    ASSERT_EQ(messages.shown.size(), 3u);
    for (const auto& shown : messages.shown) EXPECT_EQ(shown.text, readQuestion(gone));
    EXPECT_FALSE(registry.hasValue(kKey, kFilesSetting));  // nothing written
    EXPECT_TRUE(desktop.wallpapers.empty());

    messages.shown.clear();
    messages.answers = {platform::kIdYes};
    EXPECT_EQ(change(list), "");
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(registry.hasValue(kKey, kFilesSetting));
    EXPECT_EQ(storedList(), "");  // the empty list is stored
    EXPECT_EQ(desktop.wallpapers, std::vector<std::string>{""});
}

TEST_F(WallpaperChange, NoTriesTheNextEntry) {
    sequential();
    const std::string bad = broken("bad.pic"), good = bitmap("good.bmp");
    messages.answers = {platform::kIdOk, platform::kIdNo};
    const std::string list = bad + "\a" + good + "\a";
    EXPECT_EQ(change(list), list);
    EXPECT_EQ(desktop.wallpapers, std::vector<std::string>{good});
}

TEST_F(WallpaperChange, ADirectoryEntryGivesOneOfItsFilesNeverASubdirectory) {
    sequential();
    const std::string dir = directory("pics", usualListing());
    const std::string after = bitmap("after.bmp");
    const std::string list = dir + "\a" + after + "\a";
    random.add(0);
    change(list);
    random.add(16383);  // the second of two files (32767 / 2 = 16383 draws each)
    currentIndex = -1;
    change(list);
    EXPECT_EQ(desktop.wallpapers, (std::vector<std::string>{dir + "\\x.bmp", dir + "\\y.bmp"}));
    EXPECT_EQ(files.openSearches, 0);  // every search was ended
    // The draw inside the directory leaves the sequence alone.
    change(list);
    EXPECT_EQ(desktop.wallpapers.back(), after);
}

TEST_F(WallpaperChange, TheFirstSearchResultIsPassedOverUnexamined) {
    // In a drive's root the first name is a real file; it is still skipped.
    const std::string dir = directory("root", {{"first.bmp", false}, {"second.bmp", false}});
    random.add(0);  // the list's draw
    random.add(0);  // the directory's draw
    random.add(32767);
    random.add(32767);  // names no file: drawn again
    random.add(5);
    change(dir + "\a");
    change(dir + "\a");
    EXPECT_EQ(desktop.wallpapers,
              (std::vector<std::string>{dir + "\\second.bmp", dir + "\\second.bmp"}));
}

TEST_F(WallpaperChange, ADirectoryWithATrailingBackslashGivesTheSamePaths) {
    const std::string dir = directory("pics", usualListing(), true);
    random.add(0);
    random.add(0);
    change(dir + "\a");
    ASSERT_EQ(desktop.wallpapers.size(), 1u);
    EXPECT_EQ(desktop.wallpapers[0], dir + "x.bmp");
    EXPECT_EQ(desktop.wallpapers[0].find("\\\\"), std::string::npos);
}

TEST_F(WallpaperChange, ADirectoryWithoutFilesIsAskedAboutAsADirectory) {
    sequential();
    const std::string empty = directory("empty", {{".", true}, {"..", true}, {"sub", true}});
    const std::string good = bitmap("good.bmp");
    messages.answers = {platform::kIdYes};
    const std::string after = change(empty + "\a" + good + "\a");
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, directoryQuestion(empty));
    EXPECT_EQ(after, good + "\a");
    EXPECT_EQ(desktop.wallpapers, std::vector<std::string>{good});
}

TEST_F(WallpaperChange, ABadFileInADirectoryNamesTheFileAndRemovesTheDirectory) {
    const std::string dir = directory("mixed", {{".", true}, {"bad.pic", false}}, false, {"bad.pic"});
    messages.answers = {platform::kIdOk, platform::kIdYes};
    EXPECT_EQ(change(dir + "\a"), "");
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[1].text, directoryQuestion(dir + "\\bad.pic"));
    EXPECT_EQ(storedList(), "");
}

TEST_F(WallpaperChange, AnEntryTooLongForAPathIsAnUnreadableEntry) {
    sequential();
    const std::string tooLong(1300, 'x');
    const std::string good = bitmap("good.bmp");
    messages.answers = {platform::kIdYes};
    EXPECT_EQ(change(tooLong + "\a" + good + "\a"), good + "\a");
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, readQuestion(tooLong));
    EXPECT_EQ(desktop.wallpapers, std::vector<std::string>{good});
    EXPECT_TRUE(files.attributeQueries.empty() ||
                files.attributeQueries[0] != tooLong);  // never handed on
}

TEST_F(WallpaperChange, TheLongestEntryThatFitsIsUsed) {
    sequential();
    const std::string longest(1299, 'y');
    files.kinds[longest] = platform::PathKind::File;  // no such file: preparation fails
    messages.answers = {platform::kIdOk, platform::kIdCancel};
    change(longest + "\a");
    ASSERT_EQ(files.attributeQueries.size(), 1u);
    EXPECT_EQ(files.attributeQueries[0], longest);
    EXPECT_EQ(messages.shown.back().text, loadQuestion(longest));
}

TEST(DirectoryPick, DriveRootsGetNoSecondBackslash) {
    fakes::FakeFileSystem files;
    fakes::ScriptedRandom random({0});
    files.listings["C:\\*.*"] = {{"boot.ini", false}, {"a.bmp", false}, {"Windows", true}};
    files.listings["D:\\pics\\*.*"] = {{".", true}, {"a.bmp", false}};
    char root[kPathBufferSize] = "C:\\";
    ASSERT_TRUE(pickFileInDirectory(root));
    EXPECT_STREQ(root, "C:\\a.bmp");
    char plain[kPathBufferSize] = "D:\\pics";
    ASSERT_TRUE(pickFileInDirectory(plain));
    EXPECT_STREQ(plain, "D:\\pics\\a.bmp");
    EXPECT_EQ(files.searches,
              (std::vector<std::string>{"C:\\*.*", "C:\\*.*", "D:\\pics\\*.*", "D:\\pics\\*.*"}));
}

TEST(DirectoryPick, FailuresLeaveThePathAlone) {
    fakes::FakeFileSystem files;
    fakes::ScriptedRandom random;
    char none[kPathBufferSize] = "E:\\nothing";  // the search fails
    EXPECT_FALSE(pickFileInDirectory(none));
    EXPECT_STREQ(none, "E:\\nothing");
    EXPECT_EQ(random.drawn, 0);

    // A name that would not fit into the path buffer.
    std::string deep(1280, 'd');
    files.listings[deep + "\\*.*"] = {{".", true}, {std::string(40, 'n'), false}};
    std::vector<char> buffer(deep.begin(), deep.end());
    buffer.resize(kPathBufferSize, '\0');
    EXPECT_FALSE(pickFileInDirectory(buffer.data()));
    EXPECT_EQ(std::string(buffer.data()), deep);
}

TEST(DirectoryPick, FewerFilesAtTheSecondLookTakeTheLastOneFound) {
    // A search that yields three files the first time and one the second.
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
    char path[kPathBufferSize] = "F:\\d";
    ASSERT_TRUE(pickFileInDirectory(path));
    EXPECT_STREQ(path, "F:\\d\\only.bmp");
}
