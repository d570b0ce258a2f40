#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "settings/ImageList.h"
#include "settings/ListScan.h"

namespace {

using Strings = std::vector<std::string>;

std::string entryAt(const std::string& list, int index, size_t* start = nullptr) {
    size_t first = 7;
    size_t terminator = 7;
    locateEntry(list.c_str(), index, &first, &terminator);
    if (start) *start = first;
    return terminator < list.size() && list[terminator] == '\a' ? list.substr(first, terminator - first)
                                                                : "<end " + std::to_string(terminator) + ">";
}

std::string removed(const std::string& list, int index) {
    size_t start = 0;
    size_t terminator = 0;
    locateEntry(list.c_str(), index, &start, &terminator);
    std::vector<char> buffer(list.begin(), list.end());
    buffer.push_back('\0');
    removeEntry(buffer.data(), start, terminator);
    return std::string(buffer.data());
}

std::string joined(const Strings& paths) {
    std::unique_ptr<char[]> list = joinEntries(paths);
    return list ? std::string(list.get()) : "<null>";
}

std::string terminated(const Strings& entries) {
    std::string list;
    for (const std::string& entry : entries) list += entry + "\a";
    return list;
}

}  // namespace

// Each list is its entries, each followed by a BEL, then perhaps a tail
// without one, which is no entry until written back.
TEST(ImageList, CountsLocatesRemovesSplitsAndJoinsEntries) {
    struct Case {
        Strings entries;
        std::string tail;
    };
    const Case cases[] = {
        {{}, ""},
        {{""}, ""},
        {{"", ""}, ""},
        {{"only"}, ""},
        {{"", "X"}, ""},
        {{"A", "B", "C"}, ""},
        {{"C:\\a.bmp", "", "D:\\dir\\", "E:\\e.gif"}, ""},
        {{"C:\\pictures\\", "C:\\x y.jpg"}, ""},
        {{"A", "B"}, "tail"},
        {{}, "no terminator"},
    };
    for (const Case& c : cases) {
        const std::string list = terminated(c.entries) + c.tail;
        SCOPED_TRACE(list);
        const int count = int(c.entries.size());
        EXPECT_EQ(countEntries(list.c_str()), count);
        size_t start = 0;
        for (int i = 0; i < count; ++i) {
            EXPECT_EQ(entryAt(list, i), c.entries[size_t(i)]) << i;
            Strings rest = c.entries;
            rest.erase(rest.begin() + i);
            EXPECT_EQ(removed(list, i), terminated(rest) + c.tail) << i;
        }
        // Outside the entries (the tail included): the end of the string.
        for (int index : {-1, count, count + 1}) {
            EXPECT_EQ(entryAt(list, index, &start), "<end " + std::to_string(list.size()) + ">") << index;
            EXPECT_EQ(start, list.size()) << index;
        }
        Strings split = c.entries;
        if (!c.tail.empty()) split.push_back(c.tail);
        EXPECT_EQ(splitEntries(list.c_str()), split);
        EXPECT_EQ(joined(split), terminated(split));
    }
}

TEST(ImageList, LocatingWorksAcrossLongListsOfAnyEntryLength) {
    // Entries of varied lengths, some empty, so terminators fall anywhere
    // relative to the blocks the search passes over.
    std::mt19937 generator(7);
    Strings paths;
    for (int i = 0; i < 3000; ++i) {
        size_t length = generator() % 5 == 0 ? 0 : generator() % 300;
        paths.push_back(std::string(length, char('a' + i % 26)) + std::to_string(i));
    }
    const std::string list = joined(paths);
    ASSERT_EQ(countEntries(list.c_str()), 3000);
    for (int i = 0; i < 3000; ++i) ASSERT_EQ(entryAt(list, i), paths[size_t(i)]) << i;
}

TEST(ListScan, TheFastWalkAgreesWithTheBytewiseOneEverywhere) {
    std::mt19937 generator(11);
    for (size_t length : {0, 1, 15, 16, 17, 255, 256, 257, 700, 5000}) {
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
            for (size_t wanted : {size_t(1), size_t(2), total / 2 + 1, total, total + 1, size_t(SIZE_MAX)}) {
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
