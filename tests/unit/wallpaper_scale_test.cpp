#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "fakes/FakeDesktop.h"
#include "fakes/FakeFileSystem.h"
#include "fakes/FakeRegistry.h"
#include "fakes/ScriptedSaveDialog.h"
#include "settings/ImageList.h"
#include "settings/SettingsStore.h"
#include "wallpaper/WallpaperChange.h"

namespace {

// Sanitizers and unoptimised code multiply the cost of every byte touched;
// the budget holds for the builds that ship.
#if defined(__SANITIZE_ADDRESS__) || !defined(__OPTIMIZE__)
constexpr double kBudgetSeconds = 5.0;
#else
constexpr double kBudgetSeconds = 1.0;
#endif

std::string largeList(int entries) {
    std::string list;
    char entry[64];
    for (int i = 0; i < entries; ++i) {
        std::snprintf(entry, sizeof entry, "C:\\Pictures\\Holiday %d\\IMG_%06d.jpg\a", 2000 + i % 24, i);
        list += entry;
    }
    return list;
}

double secondsFor(WallpaperState& state, int calls, const char* list) {
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < calls; ++i) changeWallpaper(state, list);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

TEST(Scale, AHundredThousandEntriesRoundTripAndChangeQuickly) {
    fakes::FakeRegistry registry;
    fakes::FakeFileSystem files;
    fakes::FakeDesktop desktop;
    fakes::ScriptedSaveDialog dialog;
    test::RecordingSink messages;

    const std::string list = largeList(100000);
    dialog.choose("C:\\Users\\me\\ImageList.qx");
    writeSetting(kFilesSetting, list.c_str());
    std::unique_ptr<char[]> stored = readSetting(kFilesSetting);
    ASSERT_NE(stored, nullptr);
    ASSERT_EQ(std::strlen(stored.get()), list.size());
    ASSERT_EQ(std::memcmp(stored.get(), list.data(), list.size()), 0);
    ASSERT_EQ(countEntries(stored.get()), 100000);

    WallpaperState state;
    state.changesActive = 0;
    double randomSeconds = secondsFor(state, 1000, stored.get());
    EXPECT_GE(state.currentIndex, 0);
    EXPECT_LT(state.currentIndex, 100000);

    registry.setText(kSettingsKey, kSelectionMethodSetting, "Sequential");
    state.currentIndex = 99500;  // wraps around the end on the way
    double sequentialSeconds = secondsFor(state, 1000, stored.get());
    EXPECT_EQ(state.currentIndex, 500);

    std::printf("1000 changes over 100000 entries: %.3f s random, %.3f s sequential\n",
                randomSeconds, sequentialSeconds);
    EXPECT_LT(randomSeconds, kBudgetSeconds);
    EXPECT_LT(sequentialSeconds, kBudgetSeconds);
    EXPECT_TRUE(desktop.wallpapers.empty());
    EXPECT_EQ(messages.shown.size(), 1u);  // the notice before the file was chosen
}
