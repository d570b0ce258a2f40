// The directory selection dialog's decisions: tree images, whether an item
// offers to expand, and path forming.
#include "ui/DirectoryDialog_logic.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using ui::TreeImage;
using ui::treeImageFor;

TEST(TreeImage, DriveRootsAlwaysShowTheDrive) {
    EXPECT_EQ(treeImageFor(3, false, false, 0), TreeImage::Drive);
    EXPECT_EQ(treeImageFor(3, true, true, 5), TreeImage::Drive);
    EXPECT_EQ(treeImageFor(3, false, true, 0), TreeImage::Drive);
}

TEST(TreeImage, DirectoriesShowOpenOrClosedFolders) {
    EXPECT_EQ(treeImageFor(10, false, false, 0), TreeImage::ClosedFolder);  // never opened
    EXPECT_EQ(treeImageFor(10, true, true, 2), TreeImage::OpenFolder);      // open
    EXPECT_EQ(treeImageFor(10, false, true, 2), TreeImage::ClosedFolder);   // closed again, has children
    EXPECT_EQ(treeImageFor(10, false, true, 0), TreeImage::OpenFolder);     // opened, found empty
    EXPECT_EQ(treeImageFor(2, false, false, 0), TreeImage::ClosedFolder);   // "C:" is not a root string
}

TEST(TreeChildren, NeverExpandedItemsOfferToExpand) {
    EXPECT_EQ(ui::childrenFor(false, 0), 1);
    EXPECT_EQ(ui::childrenFor(true, 3), 1);
    EXPECT_EQ(ui::childrenFor(true, 0), 0);
}

TEST(DirectoryPrefix, OneBackslashBetweenDirectoryAndName) {
    EXPECT_EQ(ui::directoryPrefix("C:\\"), "C:\\");
    EXPECT_EQ(ui::directoryPrefix("C:\\pics"), "C:\\pics\\");
    EXPECT_EQ(ui::directoryPrefix("C:\\pics\\"), "C:\\pics\\");
    EXPECT_EQ(ui::directoryPrefix(""), "\\");
}

TEST(PathBuffer, HoldsAt1299Characters) {
    EXPECT_TRUE(ui::fitsPathBuffer(std::string(1299, 'a')));
    EXPECT_FALSE(ui::fitsPathBuffer(std::string(1300, 'a')));
    EXPECT_TRUE(ui::fitsPathBuffer(""));
}

}  // namespace
