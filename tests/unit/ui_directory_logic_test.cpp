// The directory selection dialog's decisions: tree images, whether an item
// offers to expand, and path forming.
#include "ui/DirectoryDialog_logic.h"

#include <gtest/gtest.h>

#include <string>

#include "fakes/DoubleByteCodePage.h"

namespace {

using ui::TreeImage;

TEST(DirectoryDialogLogic, TreeItemsShowTheirStateAndOfferToExpandUntilFoundEmpty) {
    struct Case {
        const char* what;
        size_t pathLength;
        bool expanded, expandedOnce;
        int children;
        TreeImage image;
        int offered;
    };
    const Case cases[] = {
        {"drive, never opened", 3, false, false, 0, TreeImage::Drive, 1},
        {"drive, open", 3, true, true, 5, TreeImage::Drive, 1},
        {"drive, found empty", 3, false, true, 0, TreeImage::Drive, 0},
        {"never opened", 10, false, false, 0, TreeImage::ClosedFolder, 1},
        {"open", 10, true, true, 2, TreeImage::OpenFolder, 1},
        {"closed again", 10, false, true, 2, TreeImage::ClosedFolder, 1},
        {"found empty", 10, false, true, 0, TreeImage::OpenFolder, 0},
        {"\"C:\" is no root", 2, false, false, 0, TreeImage::ClosedFolder, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ui::treeImageFor(c.pathLength, c.expanded, c.expandedOnce, c.children), c.image);
        EXPECT_EQ(ui::childrenFor(c.expandedOnce, c.children), c.offered);
    }
}

TEST(DirectoryDialogLogic, PathsGetOneBackslashAndFitTheBuffer) {
    EXPECT_EQ(ui::directoryPrefix("C:\\"), "C:\\");
    EXPECT_EQ(ui::directoryPrefix("C:\\pics"), "C:\\pics\\");
    EXPECT_EQ(ui::directoryPrefix("C:\\pics\\"), "C:\\pics\\");
    EXPECT_EQ(ui::directoryPrefix(""), "\\");
    {
        // In the Japanese code page "\x95\x5C" is one character, not a
        // letter and a separator; "\x95\x5C\\" does end with one.
        fakes::DoubleByteCodePage japanese;
        EXPECT_EQ(ui::directoryPrefix("C:\\\x95\x5C"), "C:\\\x95\x5C\\");
        EXPECT_EQ(ui::directoryPrefix("C:\\\x95\x5C\\"), "C:\\\x95\x5C\\");
        EXPECT_EQ(ui::directoryPrefix("C:\\a\x5C"), "C:\\a\\");
    }
    EXPECT_TRUE(ui::fitsPathBuffer(std::string(1299, 'a')));
    EXPECT_FALSE(ui::fitsPathBuffer(std::string(1300, 'a')));
    EXPECT_TRUE(ui::fitsPathBuffer(""));
}

}  // namespace
