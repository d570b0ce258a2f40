#include "platform/Random.h"

#include <cstdlib>

namespace platform {
namespace {

// Windows' rand() already stops at 32767; other runtimes go further, so keep
// the low 15 bits everywhere for the same range.
class RuntimeRandom : public RandomSource {
public:
    int next() override { return std::rand(); }
};

}  // namespace

RandomSource& defaultRandomSource() {
    static RuntimeRandom source;
    return source;
}

void seedRandom(unsigned seed) {
    std::srand(seed);
}

int randomValue() {
    return Seam<RandomSource, defaultRandomSource>::current().next() & kRandomMax;
}

}  // namespace platform
