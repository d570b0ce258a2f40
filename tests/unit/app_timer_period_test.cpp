// The update timer's period for an interval value.
#include "app/TimerPeriod.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

TEST(TimerPeriod, Uses36SecondUnitsAndTheLongestPeriodInsteadOfWrapping) {
    EXPECT_EQ(timerPeriod(0), 0u);
    EXPECT_EQ(timerPeriod(1), 36000u);
    EXPECT_EQ(timerPeriod(30), 30u * 36000u);
    EXPECT_EQ(timerPeriod(59652), 59652u * 36000u);  // the largest that fits the system timer
    // Cut to 32 bits, 119305 and 357914 would tick after 12.7 s and 2.1 s.
    // Beyond, the longest period the system timer takes (USER_TIMER_MAXIMUM).
    for (int minutes : {59653, 119305, 357914, INT_MAX, -1, INT_MIN}) {
        EXPECT_EQ(timerPeriod(minutes), 0x7FFFFFFFu) << minutes;
    }
}

}  // namespace
