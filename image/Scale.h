// Scaling a decoded picture to the size of the screen, for the positions in
// which the program rather than the system sizes the wallpaper. Portable: no
// system headers.
#pragma once

#include <cstdint>

#include "image/RasterImage.h"

enum class ScaleMode {
    Fit,      // the whole picture, as large as the screen allows; bars beside it
    Fill,     // the screen covered; what sticks out is cut evenly from both ends
    Stretch,  // each axis to the screen, proportions ignored
};

struct ScaleTarget {
    int32_t width;  // the screen, in pixels: 1 to 65536 each
    int32_t height;
    ScaleMode mode;
    uint8_t red;  // colour of fit's bars and of a screen without a picture
    uint8_t green;
    uint8_t blue;
};

// Fills `scaled`, a newly constructed record, with `source` (indexed, 24- or
// 32-bit; a fourth plane is ignored) scaled to a 24-bit picture of
// target.width x target.height.
//
// Shrinking averages the source pixels over exactly the area each screen
// pixel covers; enlarging interpolates linearly between pixel centres; an
// indexed picture is scaled through its palette. A picture that has the
// screen's size comes out unchanged in every mode, and one without pixels
// (a width or height of 0) gives a screen of the background colour.
//
// Fit keeps the proportions: one axis fills the screen, the other is rounded
// to whole pixels (at least 1) and the picture covers that area completely,
// centred, with bars in the background colour on both sides. Fill scales by
// the larger factor and cuts whole screen pixels from both ends, half the
// excess rounded down at the left or top.
//
// 1 on success. 0 when the screen's size is out of range, the source is no
// picture of a supported depth, or memory for the result or the work rows is
// lacking; the scaler has then shown "Unable to allocate memory for bitmap."
// (caption platform::kErrorCaption) and the caller adds no message of its own.
// Temporary memory: a few bytes per source column plus a small table per
// screen column; never a second copy of either picture.
int scaleImage(const RasterImage& source, const ScaleTarget& target, RasterImage& scaled);
