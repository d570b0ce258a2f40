#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <vector>

#include "fakes/Installed.h"
#include "fakes/ScriptedRandom.h"
#include "platform/Random.h"
#include "wallpaper/RandomChoice.h"

namespace {

// A generator driven by a fixed-seed engine, for statistics.
class EngineRandom : public fakes::Installed<platform::RandomSource, platform::setRandomSource> {
public:
    int next() override { return int(engine_() % 32768); }

private:
    std::mt19937 engine_{12345};
};

}  // namespace

TEST(RandomChoice, EveryChoiceOwnsTheSameShareOfGeneratorValues) {
    for (int n : {2, 3, 7, 1000, 16385, 32767}) {
        std::vector<int> owned(size_t(n), 0);
        for (int r = 0; r <= 32767; ++r) {
            fakes::ScriptedRandom random({r, 0});
            int choice = randomChoice(n);
            ASSERT_GE(choice, 0);
            ASSERT_LT(choice, n);
            if (random.drawn == 1) {
                // Accepted at once: exactly the classic r / (32767 / n).
                ASSERT_EQ(choice, r / (32767 / n)) << n << " " << r;
                ++owned[size_t(choice)];
            }
        }
        for (int count : owned) ASSERT_EQ(count, 32767 / n) << n;
    }
}

TEST(RandomChoice, LargeCountsCombineValuesAndStayInRange) {
    for (int n : {32768, 100000, 5000000, INT_MAX}) {
        for (int high : {0, 1, 16384, 32767}) {
            for (int low : {0, 1, 32766, 32767}) {
                fakes::ScriptedRandom random({high, low, high, low, 3, 3, 3, 3});
                int choice = randomChoice(n);
                EXPECT_GE(choice, 0);
                EXPECT_LT(choice, n);
            }
        }
    }
    fakes::ScriptedRandom random({1, 2});
    randomChoice(100000);
    EXPECT_EQ(random.drawn, 2);  // two values cover 100000 choices
}

TEST(RandomChoice, LargeCountsAreDrawnEvenly) {
    EngineRandom random;
    const int n = 100000;
    const int bins = 10;
    const int draws = 200000;
    std::vector<int> counts(bins, 0);
    for (int i = 0; i < draws; ++i) {
        int choice = randomChoice(n);
        ASSERT_GE(choice, 0);
        ASSERT_LT(choice, n);
        ++counts[size_t(choice / (n / bins))];
    }
    // Chi-square with 9 degrees of freedom; 27.9 is the 0.1 % point.
    double expected = double(draws) / bins;
    double chiSquare = 0;
    for (int count : counts) chiSquare += (count - expected) * (count - expected) / expected;
    EXPECT_LT(chiSquare, 27.9);
}

TEST(RandomChoice, AStuckGeneratorCannotHangTheProgramNorTheRuntimeOneLeaveTheRange) {
    {
        fakes::ScriptedRandom random({32767});  // always beyond the last choice's share
        const int choice = randomChoice(2);
        EXPECT_GE(choice, 0);
        EXPECT_LT(choice, 2);
        EXPECT_EQ(randomChoice(1), 0);
        EXPECT_EQ(randomChoice(0), 0);
        EXPECT_EQ(randomChoice(-5), 0);
    }
    platform::seedRandom(42);
    std::vector<bool> seen(5, false);
    for (int i = 0; i < 1000; ++i) {
        int value = platform::randomValue();
        ASSERT_GE(value, 0);
        ASSERT_LE(value, 32767);
        int choice = randomChoice(5);
        ASSERT_GE(choice, 0);
        ASSERT_LT(choice, 5);
        seen[size_t(choice)] = true;
    }
    for (bool s : seen) EXPECT_TRUE(s);
}
