#include "platform/Random.h"

#include <cstdlib>

#include "platform/Seam.h"

namespace platform {
namespace {

// Windows' rand() already stops at 32767; other runtimes go further, so keep
// the low 15 bits everywhere for the same range.
class RuntimeRandom : public RandomSource {
public:
    int next() override { return std::rand(); }
};

RandomSource& runtimeRandom() {
    static RuntimeRandom source;
    return source;
}

using RandomSeam = Seam<RandomSource, runtimeRandom>;

}  // namespace

void seedRandom(unsigned seed) {
    std::srand(seed);
}

int randomValue() {
    return RandomSeam::current().next() & kRandomMax;
}

RandomSource* setRandomSource(RandomSource* replacement) {
    return RandomSeam::replace(replacement);
}

}  // namespace platform
