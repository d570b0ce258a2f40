// What the directory selection dialog reads from the disk: the lines that
// adding a directory's files gives, and a tree item's subdirectories, through
// a scripted file system.
#include "ui/DirectoryDialogWindowless.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/FakeFileSystem.h"

namespace {

using Strings = std::vector<std::string>;

struct Scan {
    Strings lines;
    Strings failures;
};

Scan scan(const std::string& directory, bool recurse) {
    Scan result;
    ui::listDirectoryFiles(
        directory, recurse, [&](const std::string& line) { result.lines.push_back(line); },
        [&](const std::string& failed) { result.failures.push_back(failed); });
    return result;
}

TEST(DirectoryScan, AddsEveryNameButTheFirstAndDotDotOrRecursesIntoDirectories) {
    fakes::FakeFileSystem files;
    // The first name is passed over unexamined, as "." outside a root; in a
    // root it is a real file, and still passed over.
    files.listings["C:\\pics\\*.*"] = {{".", true}, {"..", true}, {"a.jpg", false}, {"sub", true}, {"b.gif", false}};
    files.listings["C:\\pics\\sub\\*.*"] = {{".", true}, {"..", true}, {"c.png", false}};
    files.listings["C:\\*.*"] = {{"boot.ini", false}, {"x.bmp", false}};
    files.listings["D:\\" + std::string(1290, 'd') + "\\*.*"] = {{".", true}, {"far-too-long-a-name.jpg", false}};

    Scan flat = scan("C:\\pics", false);
    EXPECT_EQ(flat.lines, (Strings{"C:\\pics\\a.jpg", "C:\\pics\\sub", "C:\\pics\\b.gif"}));
    Scan deep = scan("C:\\pics\\", true);
    EXPECT_EQ(deep.lines, (Strings{"C:\\pics\\a.jpg", "C:\\pics\\sub\\c.png", "C:\\pics\\b.gif"}));
    EXPECT_EQ(scan("C:\\", false).lines, Strings{"C:\\x.bmp"});
    EXPECT_TRUE(scan("D:\\" + std::string(1290, 'd'), false).lines.empty());  // would not fit the buffers
    EXPECT_TRUE(flat.failures.empty());

    Scan missing = scan("E:\\gone", true);
    EXPECT_TRUE(missing.lines.empty());
    EXPECT_EQ(missing.failures, Strings{"E:\\gone"});
    EXPECT_EQ(files.openSearches, 0);  // every search was ended
}

TEST(DirectoryScan, AChineseNameStillGetsItsSeparator) {
    fakes::FakeFileSystem files;
    files.listings["C:\\\xE8\xA1\xA8\\*.*"] = {{".", true}, {"a.jpg", false}};
    EXPECT_EQ(scan("C:\\\xE8\xA1\xA8", false).lines, Strings{"C:\\\xE8\xA1\xA8\\a.jpg"});
    EXPECT_EQ(scan("C:\\\xE8\xA1\xA8\\", false).lines, Strings{"C:\\\xE8\xA1\xA8\\a.jpg"});
}

TEST(DirectoryTree, AnItemListsOnlyItsSubdirectories) {
    fakes::FakeFileSystem files;
    files.listings["C:\\*.*"] = {
        {"pagefile.sys", false}, {"Windows", true}, {"..", true}, {"a.jpg", false}, {"Users", true}};
    Strings names, paths;
    ui::listSubdirectories("C:\\", [&](const std::string& name, const std::string& path) {
        names.push_back(name);
        paths.push_back(path);
    });
    EXPECT_EQ(names, (Strings{"Windows", "Users"}));
    EXPECT_EQ(paths, (Strings{"C:\\Windows", "C:\\Users"}));
    EXPECT_EQ(files.openSearches, 0);
}

}  // namespace
