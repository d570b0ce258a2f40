#include "wallpaper/RandomChoice.h"

#include <cstdint>

#include "platform/Random.h"

int randomChoice(int n) {
    if (n <= 1) {
        // Still one draw, so the sequence of draws does not depend on the
        // list's size.
        if (n == 1) platform::randomValue();
        return 0;
    }
    const uint64_t choices = uint64_t(n);
    // Enough generator values side by side to cover n choices: one value
    // (0..32767) for up to 32767 choices, two or three beyond.
    const uint64_t valueRange = uint64_t(platform::kRandomMax) + 1;
    uint64_t range = valueRange;
    int valuesPerDraw = 1;
    while (range - 1 < choices) {
        range *= valueRange;
        ++valuesPerDraw;
    }
    // Each choice k owns the same number of draws, k * width .. k * width +
    // width - 1; a draw beyond the last choice's share is drawn again, so
    // every choice is equally likely. With one value this is r / (32767 / n)
    // restricted to the draws that name an existing choice.
    const uint64_t width = (range - 1) / choices;
    for (int attempt = 0;; ++attempt) {
        uint64_t draw = 0;
        for (int v = 0; v < valuesPerDraw; ++v) {
            draw = draw * valueRange + uint64_t(platform::randomValue());
        }
        uint64_t choice = draw / width;
        if (choice < choices) return int(choice);
        // Rejections are rarer than one in two; a generator stuck in the
        // rejected range must still not hang the program.
        if (attempt == 64) return int(draw % choices);
    }
}
