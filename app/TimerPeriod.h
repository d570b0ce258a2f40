// The update timer's period for an interval value. Portable, so that the unit
// tests check it without the Windows program.
#pragma once

#include <cstdint>

// One unit of the interval is 36 seconds.
constexpr std::uint32_t kMillisecondsPerIntervalUnit = 36000;
// The longest period the system's timers accept (USER_TIMER_MAXIMUM, about 24.8 days).
constexpr std::uint32_t kLongestTimerPeriod = 0x7FFFFFFF;

// Timer period in milliseconds for an interval value; 0 for the value 0 (no timer).
// A product beyond what the system timer accepts (and a negative value, which no
// dialog produces) gets the longest period instead of wrapping around to a short one.
inline std::uint32_t timerPeriod(int value) {
    if (value == 0) return 0;
    if (value < 0) return kLongestTimerPeriod;
    const std::uint64_t product = static_cast<std::uint64_t>(value) * kMillisecondsPerIntervalUnit;
    return product > kLongestTimerPeriod ? kLongestTimerPeriod : static_cast<std::uint32_t>(product);
}
