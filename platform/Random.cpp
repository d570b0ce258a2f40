#include "platform/Random.h"

#include <cstdlib>

namespace platform {
namespace {

RandomSource* installedSource = nullptr;

}  // namespace

void seedRandom(unsigned seed) {
    std::srand(seed);
}

int randomValue() {
    if (installedSource) return installedSource->next() & kRandomMax;
    // Windows' rand() already stops at 32767; other runtimes go further, so
    // keep the low 15 bits everywhere for the same range.
    return std::rand() & kRandomMax;
}

RandomSource* setRandomSource(RandomSource* replacement) {
    RandomSource* previous = installedSource;
    installedSource = replacement;
    return previous;
}

}  // namespace platform
