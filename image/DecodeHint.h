// What a decoded picture will be scaled to, for readers that can decode at a
// reduced size: such a reader picks the smallest size it offers that still
// covers every target, and the scaler finishes from there. Portable.
#pragma once

#include <cstddef>
#include <cstdint>

#include "image/Scale.h"

struct DecodeHint {
    // Every screen the picture will be scaled for (one per monitor, say);
    // the reduced size must serve the most demanding of them.
    const ScaleTarget* targets;
    size_t count;
};

// True when a picture decoded at width x height gives every target at least
// the pixels it shows, so that scaling it never enlarges what the full
// picture would not have: for Fill and Stretch both sides reach the
// screen's; for Fit one side does (the other then holds the fitted size,
// which the scaler rounds from the same proportions). False when the hint
// holds no target: nothing says a smaller picture would do.
bool decodedSizeCovers(int64_t width, int64_t height, const DecodeHint& hint);
