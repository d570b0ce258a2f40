// The options dialog's decisions: numeric values of texts, moving the selected
// lines, and the names of a multiple selection.
#include "TestSupport.h"
#include "ui/CallbackGuard.h"
#include "ui/OptionsDialogWindowless.h"

#include <gtest/gtest.h>

#include <climits>
#include <new>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

using ui::numericValue;
using ui::planMove;
using ui::selectedFiles;

TEST(NumericValue, ReadsLikeAtoiButSaturates) {
    const std::pair<const char*, int> cases[] = {
        {"30", 30},
        {"  \t\n42 minutes", 42},
        {"+7", 7},
        {"-5", -5},
        {"0", 0},
        {"abc12", 0},
        {"", 0},
        {"- 3", 0},
        {nullptr, 0},
        {"2147483647", INT_MAX},
        {"2147483648", INT_MAX},
        {"99999999999999999999", INT_MAX},
        {"-2147483648", INT_MIN},
        {"-99999999999999999999", INT_MIN},
        {"00000000000000000000000000012", 12},
    };
    for (const auto& c : cases) EXPECT_EQ(numericValue(c.first), c.second) << (c.first ? c.first : "null");
}

// The lines "L0", "L1", ... after the plan's moves are applied the way the
// dialog does: take the line out, insert it at the new index.
std::vector<std::string> applied(int count, const ui::MovePlan& plan) {
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i) lines.push_back("L" + std::to_string(i));
    for (const ui::LineMove& move : plan.moves) {
        const std::string text = lines[static_cast<size_t>(move.from)];
        lines.erase(lines.begin() + move.from);
        lines.insert(lines.begin() + move.to, text);
    }
    return lines;
}

TEST(PlanMove, UpKeepsARunAtTheTopAndMovesTheRest) {
    const ui::MovePlan plan = planMove({0, 1, 3}, 5, true);
    EXPECT_EQ(applied(5, plan), (std::vector<std::string>{"L0", "L1", "L3", "L2", "L4"}));
    EXPECT_EQ(plan.selection, (std::vector<int>{0, 1, 2}));

    const ui::MovePlan gap = planMove({0, 2, 3}, 5, true);
    EXPECT_EQ(applied(5, gap), (std::vector<std::string>{"L0", "L2", "L3", "L1", "L4"}));
    EXPECT_EQ(gap.selection, (std::vector<int>{0, 1, 2}));

    const ui::MovePlan runs = planMove({0, 1, 2, 5, 6}, 8, true);
    EXPECT_EQ(applied(8, runs), (std::vector<std::string>{"L0", "L1", "L2", "L3", "L5", "L6", "L4", "L7"}));
    EXPECT_EQ(runs.selection, (std::vector<int>{0, 1, 2, 4, 5}));
}

TEST(PlanMove, DownKeepsARunAtTheBottomAndMovesTheRest) {
    const ui::MovePlan last = planMove({3, 4}, 5, false);
    EXPECT_TRUE(last.moves.empty());
    EXPECT_EQ(last.selection, (std::vector<int>{3, 4}));

    const ui::MovePlan pair = planMove({1, 2}, 5, false);
    EXPECT_EQ(applied(5, pair), (std::vector<std::string>{"L0", "L3", "L1", "L2", "L4"}));
    EXPECT_EQ(pair.selection, (std::vector<int>{2, 3}));

    const ui::MovePlan mixed = planMove({1, 4, 5}, 6, false);
    EXPECT_EQ(applied(6, mixed), (std::vector<std::string>{"L0", "L2", "L1", "L3", "L4", "L5"}));
    EXPECT_EQ(mixed.selection, (std::vector<int>{2, 4, 5}));
}

TEST(PlanMove, NothingSelectedOrNowhereToGo) {
    EXPECT_TRUE(planMove({}, 4, true).moves.empty());
    EXPECT_TRUE(planMove({}, 4, false).moves.empty());
    EXPECT_TRUE(planMove({0}, 1, true).moves.empty());
    EXPECT_TRUE(planMove({0}, 1, false).moves.empty());
    EXPECT_TRUE(planMove({0, 1, 2, 3}, 4, true).moves.empty());
}

TEST(PlanMove, MoreThanAThousandSelectedLinesAllMove) {
    std::vector<int> selected;
    for (int i = 1; i <= 1200; ++i) selected.push_back(i);
    const ui::MovePlan up = planMove(selected, 1201, true);
    ASSERT_EQ(up.moves.size(), 1200u);
    const std::vector<std::string> lines = applied(1201, up);
    EXPECT_EQ(lines.front(), "L1");
    EXPECT_EQ(lines[1199], "L1200");
    EXPECT_EQ(lines.back(), "L0");
    EXPECT_EQ(up.selection.front(), 0);
    EXPECT_EQ(up.selection.back(), 1199);
}

std::vector<std::string> files(const std::string& bytes, size_t offset) {
    return selectedFiles(bytes.data(), bytes.size(), offset);
}

TEST(SelectedFiles, OneFileOrADirectoryAndItsNamesNeverPastTheBuffer) {
    using Names = std::vector<std::string>;
    EXPECT_EQ(files(std::string("C:\\pics\\a.jpg\0", 14), 8), Names{"C:\\pics\\a.jpg"});
    EXPECT_EQ(files(std::string("C:\\a.jpg\0", 9), 3), Names{"C:\\a.jpg"});
    EXPECT_EQ(files(std::string("C:\\pics\0a.jpg\0b.png\0c.gif\0\0", 27), 8),
              (Names{"C:\\pics\\a.jpg", "C:\\pics\\b.png", "C:\\pics\\c.gif"}));
    // In a drive's root, no second backslash.
    EXPECT_EQ(files(std::string("C:\\\0a.jpg\0b.png\0\0", 17), 4), (Names{"C:\\a.jpg", "C:\\b.png"}));
    // A last name not terminated inside the buffer is left out.
    EXPECT_EQ(files(std::string("C:\\pics\0a.jpg\0b.pn", 18), 8), Names{"C:\\pics\\a.jpg"});
    EXPECT_TRUE(files(std::string("C:\\pics"), 3).empty());  // no NUL at all
    EXPECT_TRUE(files(std::string("\0", 1), 0).empty());
    // The dialog's own buffer: UTF-16, with the offset in its characters.
    EXPECT_EQ(selectedFiles(L"C:\\\u03B1\0\u4E2D.bmp\0b.bmp\0", 17, 5),
              (std::vector<std::wstring>{L"C:\\\u03B1\\\u4E2D.bmp", L"C:\\\u03B1\\b.bmp"}));
    // An offset outside the buffer is taken for a single path.
    EXPECT_EQ(files(std::string("C:\\x.bmp\0", 9), 500), Names{"C:\\x.bmp"});
}

}  // namespace

// Whatever a callback's body throws stays inside the callback: the user is
// told and the system gets the fallback result.
TEST(GuardCallback, NoExceptionLeavesACallback) {
    test::RecordingSink messages;
    EXPECT_EQ(ui::guardCallback(7, [] { return 3; }), 3);
    EXPECT_EQ(ui::guardCallback(7, []() -> int { throw std::bad_alloc(); }), 7);
    EXPECT_EQ(ui::guardCallback(7, []() -> int { throw std::length_error("list"); }), 7);
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[0].text, "Unable to allocate memory.");
    EXPECT_EQ(messages.shown[0].caption, "Vellumere Error");
    EXPECT_EQ(messages.shown[1].caption, "Vellumere Error");
}
