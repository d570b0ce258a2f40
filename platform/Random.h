// The pseudo-random source: the runtime library's generator, values from 0
// to 32767, seeded once at start-up. Tests install a scripted source with
// setRandomSource().
#pragma once

#include "platform/Seam.h"

namespace platform {

constexpr int kRandomMax = 32767;

void seedRandom(unsigned seed);  // srand: called once by WinMain with time(nullptr)
int randomValue();               // rand(): 0..32767

class RandomSource {
public:
    virtual ~RandomSource() = default;
    virtual int next() = 0;  // 0..kRandomMax
};

// The runtime library's generator, the source unless one is installed.
RandomSource& defaultRandomSource();

// Installs a source and returns the previous one; nullptr restores the
// runtime library's generator.
inline constexpr auto setRandomSource = Seam<RandomSource, defaultRandomSource>::replace;

}  // namespace platform
