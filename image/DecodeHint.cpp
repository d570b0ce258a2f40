#include "image/DecodeHint.h"

namespace {

bool covers(int64_t width, int64_t height, const ScaleTarget& target) {
    const bool across = width >= target.width, down = height >= target.height;
    // Fit scales by the smaller factor. A picture as wide as the screen but
    // less tall is wider in shape than the screen, so it is fitted across:
    // shrunk, or kept, on both axes (and the same the other way round).
    return target.mode == ScaleMode::Fit ? across || down : across && down;
}

}  // namespace

bool decodedSizeCovers(int64_t width, int64_t height, const DecodeHint& hint) {
    if (hint.count == 0) return false;
    for (size_t i = 0; i < hint.count; ++i) {
        if (!covers(width, height, hint.targets[i])) return false;
    }
    return true;
}
