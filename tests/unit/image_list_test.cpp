#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "settings/ListScan.h"
#include "settings/ImageList.h"

namespace {

std::string entryAt(const std::string& list, int index) {
    size_t start = 0;
    size_t terminator = 0;
    locateEntry(list.c_str(), index, &start, &terminator);
    EXPECT_EQ(list[terminator], '\a');
    return list.substr(start, terminator - start);
}

std::string removed(std::string list, int index) {
    size_t start = 0;
    size_t terminator = 0;
    locateEntry(list.c_str(), index, &start, &terminator);
    std::vector<char> buffer(list.begin(), list.end());
    buffer.push_back('\0');
    removeEntry(buffer.data(), start, terminator);
    return std::string(buffer.data());
}

std::string joined(const std::vector<std::string>& paths) {
    std::unique_ptr<char[]> list = joinEntries(paths);
    return list ? std::string(list.get()) : "<null>";
}

}  // namespace

TEST(ImageList, EntriesAreCountedByTheirTerminators) {
    EXPECT_EQ(countEntries(""), 0);
    EXPECT_EQ(countEntries("\a"), 1);  // one empty entry
    EXPECT_EQ(countEntries("\a\a"), 2);
    EXPECT_EQ(countEntries("A\aB\aC\a"), 3);
    EXPECT_EQ(countEntries("A\aB\atail"), 2);  // the tail is not an entry
    EXPECT_EQ(countEntries("no terminator"), 0);
}

TEST(ImageList, EntriesAreLocatedByIndex) {
    const std::string list = "C:\\a.bmp\a\aD:\\dir\\\aE:\\e.gif\a";
    EXPECT_EQ(entryAt(list, 0), "C:\\a.bmp");
    EXPECT_EQ(entryAt(list, 1), "");  // empty: terminator at its start
    EXPECT_EQ(entryAt(list, 2), "D:\\dir\\");
    EXPECT_EQ(entryAt(list, 3), "E:\\e.gif");

    size_t start = 7;
    size_t terminator = 7;
    locateEntry(list.c_str(), 4, &start, &terminator);  // out of range: the end
    EXPECT_EQ(start, list.size());
    EXPECT_EQ(terminator, list.size());
    locateEntry("A\atail", 1, &start, &terminator);  // the tail is no entry either
    EXPECT_EQ(start, 6u);
}

TEST(ImageList, LocatingWorksAcrossLongListsOfAnyEntryLength) {
    // Entries of varied lengths, some empty, so terminators fall anywhere
    // relative to the blocks the search passes over.
    std::mt19937 generator(7);
    std::vector<std::string> paths;
    for (int i = 0; i < 3000; ++i) {
        size_t length = generator() % 5 == 0 ? 0 : generator() % 300;
        paths.push_back(std::string(length, char('a' + i % 26)) + std::to_string(i));
    }
    const std::string list = joined(paths);
    ASSERT_EQ(countEntries(list.c_str()), 3000);
    for (int i = 0; i < 3000; ++i) ASSERT_EQ(entryAt(list, i), paths[size_t(i)]) << i;
}

TEST(ImageList, RemovingDeletesOneEntryAndItsTerminatorInPlace) {
    EXPECT_EQ(removed("A\aB\aC\a", 0), "B\aC\a");
    EXPECT_EQ(removed("A\aB\aC\a", 1), "A\aC\a");
    EXPECT_EQ(removed("A\aB\aC\a", 2), "A\aB\a");
    EXPECT_EQ(removed("only\a", 0), "");
    EXPECT_EQ(removed("\aX\a", 0), "X\a");
    EXPECT_EQ(removed("A\aB\atail", 1), "A\atail");
}

TEST(ImageList, JoiningTerminatesEveryPath) {
    EXPECT_EQ(joined({}), "");
    EXPECT_EQ(joined({"A", "B"}), "A\aB\a");
    EXPECT_EQ(joined({""}), "\a");
    EXPECT_EQ(joined({"C:\\pictures\\", "C:\\x y.jpg"}), "C:\\pictures\\\aC:\\x y.jpg\a");
}

TEST(ImageList, SplittingGivesEveryEntryAndAnUnterminatedTail) {
    using List = std::vector<std::string>;
    EXPECT_EQ(splitEntries(""), List{});
    EXPECT_EQ(splitEntries("\a"), List{""});
    EXPECT_EQ(splitEntries("\a\a"), (List{"", ""}));
    EXPECT_EQ(splitEntries("A\aB\a"), (List{"A", "B"}));
    EXPECT_EQ(splitEntries("A\aB\atail"), (List{"A", "B", "tail"}));
    EXPECT_EQ(splitEntries("tail"), List{"tail"});
    // Writing back what was split terminates the tail like every entry.
    EXPECT_EQ(joined(splitEntries("A\aB\atail")), "A\aB\atail\a");
}

TEST(ImageList, SplittingAndJoiningAWellFormedListGivesItBack) {
    for (const std::string list : {"", "\a", "A\a", "C:\\a.bmp\a\aD:\\dir\\\a", "x\ay\az\a"}) {
        EXPECT_EQ(joined(splitEntries(list.c_str())), list);
    }
}

TEST(ListScan, TheFastWalkAgreesWithTheBytewiseOneEverywhere) {
    std::mt19937 generator(11);
    for (size_t length : {size_t(0), size_t(1), size_t(15), size_t(16), size_t(17), size_t(255),
                          size_t(256), size_t(257), size_t(700), size_t(5000)}) {
        for (size_t offset = 0; offset < 17; ++offset) {
            // Exactly as long as the text, so a stray read would be caught.
            std::unique_ptr<char[]> buffer(new char[offset + length + 1]);
            char* text = buffer.get() + offset;
            for (size_t i = 0; i < length; ++i) {
                unsigned roll = generator() % 4;
                text[i] = roll == 0 ? '\a' : roll == 1 ? char(0x87) : char(1 + generator() % 255);
            }
            text[length] = '\0';
            size_t total = 0;
            skipPastBytewise(text, '\a', SIZE_MAX, &total);
            for (size_t wanted : {size_t(1), size_t(2), total / 2 + 1, total, total + 1,
                                  size_t(SIZE_MAX)}) {
                if (wanted == 0) continue;
                size_t fastPassed = 99;
                size_t slowPassed = 77;
                size_t fast = skipPast(text, '\a', wanted, &fastPassed);
                size_t slow = skipPastBytewise(text, '\a', wanted, &slowPassed);
                ASSERT_EQ(fast, slow) << length << " " << offset << " " << wanted;
                ASSERT_EQ(fastPassed, slowPassed);
            }
        }
    }
}

TEST(ListScan, LongRunsAreCountedExactly) {
    const std::string bells(100000, '\a');
    size_t passed = 0;
    EXPECT_EQ(skipPast(bells.c_str(), '\a', SIZE_MAX, &passed), bells.size());
    EXPECT_EQ(passed, bells.size());
    EXPECT_EQ(skipPast(bells.c_str(), '\a', 77777, &passed), 77777u);
    EXPECT_EQ(passed, 77777u);
    EXPECT_EQ(skipPast(bells.c_str(), 'x', SIZE_MAX, &passed), bells.size());
    EXPECT_EQ(passed, 0u);
}
