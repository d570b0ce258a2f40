// Separable scaling in integer arithmetic: for each screen row, the source
// rows it covers are weighted into one row of source width (only the columns
// the picture's visible part needs), and that row is then weighted across
// into the screen row. The vertical step runs along whole rows of one plane,
// which the compiler vectorises; the horizontal one reads a precomputed
// table, all three channels of a pixel sharing its taps.
#include "image/Scale.h"

#include <cstring>
#include <memory>
#include <new>

#include "platform/Messages.h"

namespace {

// Weights are fixed-point fractions of 1 << 14 and each output pixel's
// weights add up to exactly that, so a plain area keeps its colour.
constexpr int kWeightBits = 14;
constexpr int32_t kWeightOne = int32_t(1) << kWeightBits;
// A sample between the two steps keeps 7 fractional bits: 255 << 7 times a
// whole weight stays below 2^31.
constexpr int kRowBits = 7;
constexpr int32_t kMaxScreenSide = 65536;
// Work tables beyond this are refused before they are asked for; a 32-bit
// process holding the two pictures has no more to give.
constexpr uint64_t kMaxWorkBytes = uint64_t(1) << 30;

// How the output pixels of one axis lie over the source pixels: output i
// covers the source interval [offset + i * step, offset + (i + 1) * step),
// measured in units of 1/unit source pixel, so source pixel j is
// [j * unit, (j + 1) * unit). Everything stays an exact integer; with sides
// below 2^31 and screens of at most 2^16 no product leaves 64 bits.
struct Axis {
    int64_t sourceLength;
    int64_t unit;
    int64_t offset;
    int64_t step;
};

// Calls emit(sourceIndex, weight) for the source pixels that output pixel i
// reads, in increasing order. Shrinking (step >= unit) is a box filter over
// the exact coverage, each weight rounded from the running total so that the
// sum is exact; enlarging interpolates between the two source pixels whose
// centres surround the output pixel's centre, holding the edge pixels beyond
// the outermost centres.
template <typename Emit>
void forEachTap(const Axis& axis, int64_t i, Emit emit) {
    const int64_t lo = axis.offset + i * axis.step;
    if (axis.step >= axis.unit) {
        const int64_t hi = lo + axis.step;
        const int64_t last = (hi - 1) / axis.unit;
        int64_t covered = 0;
        int32_t given = 0;
        for (int64_t j = lo / axis.unit; j <= last; ++j) {
            const int64_t from = j * axis.unit > lo ? j * axis.unit : lo;
            const int64_t to = (j + 1) * axis.unit < hi ? (j + 1) * axis.unit : hi;
            covered += to - from;
            const int32_t upTo = int32_t((covered * kWeightOne + axis.step / 2) / axis.step);
            emit(j, upTo - given);
            given = upTo;
        }
        return;
    }
    // In units of 1/(2 unit) pixel, measured from the centre of source pixel
    // 0; the centre of source pixel j lies at 2 j unit.
    const int64_t centre = 2 * lo + axis.step - axis.unit;
    const int64_t pitch = 2 * axis.unit;
    if (centre <= 0) {
        emit(0, kWeightOne);
        return;
    }
    const int64_t j = centre / pitch;
    if (j >= axis.sourceLength - 1) {
        emit(axis.sourceLength - 1, kWeightOne);
        return;
    }
    const int32_t next = int32_t(((centre - j * pitch) * kWeightOne + axis.unit) / pitch);
    emit(j, kWeightOne - next);
    emit(j + 1, next);
}

// The source pixels output i reads: the first and how many.
void tapRange(const Axis& axis, int64_t i, int64_t& first, int64_t& count) {
    first = -1;
    count = 0;
    forEachTap(axis, i, [&](int64_t j, int32_t) {
        if (first < 0) first = j;
        ++count;
    });
}

// The horizontal taps of every output pixel, padded with zero weights to one
// size so that each pixel runs the same loop; starts are relative to the
// first column the work row holds.
struct TapTable {
    int32_t size = 0;
    std::unique_ptr<int32_t[]> start;
    std::unique_ptr<int16_t[]> weights;
};

template <typename T>
std::unique_ptr<T[]> obtain(uint64_t count) {
    return std::unique_ptr<T[]>(new (std::nothrow) T[size_t(count ? count : 1)]);
}

// Builds the table for outputs 0 to count - 1; firstColumn and columns
// receive the source columns they read. 0 when the memory is lacking.
int buildTable(const Axis& axis, int32_t count, TapTable& table, int64_t& firstColumn, int64_t& columns) {
    int64_t first, taps, lastFirst, lastTaps;
    tapRange(axis, 0, first, taps);
    tapRange(axis, count - 1, lastFirst, lastTaps);
    firstColumn = first;
    columns = lastFirst + lastTaps - first;
    int64_t size = 0;
    for (int32_t i = 0; i < count; ++i) {
        tapRange(axis, i, first, taps);
        if (taps > size) size = taps;
    }
    const uint64_t entries = uint64_t(size) * uint64_t(count);
    if (entries * sizeof(int16_t) > kMaxWorkBytes) return 0;
    table.size = int32_t(size);
    table.start = obtain<int32_t>(uint64_t(count));
    table.weights = obtain<int16_t>(entries);
    if (!table.start || !table.weights) return 0;
    std::memset(table.weights.get(), 0, size_t(entries) * sizeof(int16_t));
    for (int32_t i = 0; i < count; ++i) {
        tapRange(axis, i, first, taps);
        // Near the right end the padding goes in front instead, so that
        // every tap stays inside the work row.
        int64_t start = first - firstColumn;
        if (start + size > columns) start = columns - size;
        table.start[i] = int32_t(start);
        int16_t* weights = table.weights.get() + int64_t(i) * size;
        forEachTap(axis, i, [&](int64_t j, int32_t weight) { weights[j - firstColumn - start] = int16_t(weight); });
    }
    return 1;
}

// Where the picture goes on the screen and how each axis maps onto it.
struct Layout {
    Axis across;
    Axis down;
    int32_t left;
    int32_t top;
    int32_t width;
    int32_t height;
};

// Rounds a * b / c to the nearest integer (all positive).
int64_t roundedRatio(int64_t a, int64_t b, int64_t c) {
    return (2 * a * b + c) / (2 * c);
}

Layout layOut(int64_t w, int64_t h, const ScaleTarget& target) {
    const int64_t screenW = target.width, screenH = target.height;
    Layout layout{{w, screenW, 0, w}, {h, screenH, 0, h}, 0, 0, target.width, target.height};
    const bool wider = w * screenH >= h * screenW;  // than the screen, or the same shape
    if (target.mode == ScaleMode::Fit) {
        // The rounded side is covered by the whole picture, so no column or
        // row of background shows inside it.
        if (wider) {
            int64_t rows = roundedRatio(h, screenW, w);
            layout.height = int32_t(rows < 1 ? 1 : rows);
        } else {
            int64_t columns = roundedRatio(w, screenH, h);
            layout.width = int32_t(columns < 1 ? 1 : columns);
        }
        layout.across.unit = layout.width;
        layout.down.unit = layout.height;
        layout.left = (target.width - layout.width) / 2;
        layout.top = (target.height - layout.height) / 2;
    } else if (target.mode == ScaleMode::Fill) {
        // One factor for both axes; the cut is whole screen pixels, so a
        // picture only a little larger than the screen is cropped, not blurred.
        if (wider) {
            const int64_t cut = (w * screenH - screenW * h) / (2 * h);
            layout.across = {w, screenH, cut * h, h};
        } else {
            const int64_t cut = (h * screenW - screenH * w) / (2 * w);
            layout.down = {h, screenW, cut * w, w};
        }
    }
    return layout;
}

// A source row of one channel, read straight from a plane or through the
// palette.
struct Channel {
    const uint8_t* plane;
    const uint8_t* lookup;  // 256 entries, or null for a colour plane
    int64_t width;
};

constexpr int kDownShift = kWeightBits - kRowBits;

// A few source rows of a colour plane, weighed in one sweep; the compiler
// turns the 16-bit products into vector multiplies.
template <int kTaps>
void weighRows(const uint8_t* const* sources, const int16_t* weights, int32_t columns, int16_t* row) {
    const uint8_t* s[kTaps];
    int16_t w[kTaps];
    for (int k = 0; k < kTaps; ++k) {
        s[k] = sources[k];
        w[k] = weights[k];
    }
    for (int32_t x = 0; x < columns; ++x) {
        int32_t sum = 1 << (kDownShift - 1);
        for (int k = 0; k < kTaps; ++k) sum += int32_t(w[k]) * int32_t(int16_t(s[k][x]));
        row[x] = int16_t(sum >> kDownShift);
    }
}

// Weighs the source rows that screen row y covers into row[0, columns),
// starting at source column firstColumn. Many rows, or rows through the
// palette, are summed one at a time in `sums`.
void weighDown(const Channel& channel, const Axis& down, int64_t y, int64_t firstColumn, int32_t columns, int32_t* sums,
               int16_t* row) {
    constexpr int kFew = 4;
    int64_t first, count;
    tapRange(down, y, first, count);
    if (!channel.lookup && count <= kFew) {
        const uint8_t* sources[kFew];
        int16_t weights[kFew];
        int taps = 0;
        forEachTap(down, y, [&](int64_t j, int32_t weight) {
            sources[taps] = channel.plane + j * channel.width + firstColumn;
            weights[taps++] = int16_t(weight);
        });
        switch (taps) {
        case 1:
            return weighRows<1>(sources, weights, columns, row);
        case 2:
            return weighRows<2>(sources, weights, columns, row);
        case 3:
            return weighRows<3>(sources, weights, columns, row);
        default:
            return weighRows<4>(sources, weights, columns, row);
        }
    }
    bool started = false;
    forEachTap(down, y, [&](int64_t j, int32_t weight) {
        if (weight == 0) return;
        const uint8_t* source = channel.plane + j * channel.width + firstColumn;
        if (channel.lookup) {
            const uint8_t* lookup = channel.lookup;
            if (started) {
                for (int32_t x = 0; x < columns; ++x) sums[x] += weight * lookup[source[x]];
            } else {
                for (int32_t x = 0; x < columns; ++x) sums[x] = weight * lookup[source[x]];
            }
        } else if (started) {
            for (int32_t x = 0; x < columns; ++x) sums[x] += weight * source[x];
        } else {
            for (int32_t x = 0; x < columns; ++x) sums[x] = weight * source[x];
        }
        started = true;
    });
    for (int32_t x = 0; x < columns; ++x) {
        row[x] = int16_t((sums[x] + (1 << (kDownShift - 1))) >> kDownShift);
    }
}

constexpr int kAcrossShift = kWeightBits + kRowBits;

// The three channels' work rows into one row of the screen's three planes,
// sharing each pixel's taps; kSize 0 stands for the table's own size.
template <int kSize>
void weighAcross(const TapTable& table, const int16_t* const rows[3], int32_t count, uint8_t* const out[3]) {
    const int32_t size = kSize ? kSize : table.size;
    const int16_t* weights = table.weights.get();
    const int16_t *blue = rows[0], *green = rows[1], *red = rows[2];
    uint8_t *outBlue = out[0], *outGreen = out[1], *outRed = out[2];
    for (int32_t i = 0; i < count; ++i, weights += size) {
        const int32_t at = table.start[i];
        int32_t b = 1 << (kAcrossShift - 1), g = b, r = b;
        for (int32_t k = 0; k < size; ++k) {
            const int32_t w = weights[k];
            b += w * blue[at + k];
            g += w * green[at + k];
            r += w * red[at + k];
        }
        outBlue[i] = uint8_t(b >> kAcrossShift);
        outGreen[i] = uint8_t(g >> kAcrossShift);
        outRed[i] = uint8_t(r >> kAcrossShift);
    }
}

void weighAcross(const TapTable& table, const int16_t* const rows[3], int32_t count, uint8_t* const out[3]) {
    switch (table.size) {
    case 1:
        return weighAcross<1>(table, rows, count, out);
    case 2:
        return weighAcross<2>(table, rows, count, out);
    case 3:
        return weighAcross<3>(table, rows, count, out);
    case 4:
        return weighAcross<4>(table, rows, count, out);
    default:
        return weighAcross<0>(table, rows, count, out);
    }
}

// Paints everything outside the picture's area in the background colour.
void paintBars(RasterImage& scaled, const Layout& layout, const uint8_t colour[3]) {
    const size_t width = size_t(scaled.width);
    const size_t top = size_t(layout.top), bottom = size_t(layout.top) + size_t(layout.height);
    const size_t right = size_t(layout.left) + size_t(layout.width);
    for (int p = 0; p < 3; ++p) {
        uint8_t* plane = scaled.planes[p];
        std::memset(plane, colour[p], top * width);
        std::memset(plane + bottom * width, colour[p], (size_t(scaled.height) - bottom) * width);
        if (layout.width == scaled.width) continue;
        for (size_t y = top; y < bottom; ++y) {
            std::memset(plane + y * width, colour[p], size_t(layout.left));
            std::memset(plane + y * width + right, colour[p], width - right);
        }
    }
}

bool isPicture(const RasterImage& source) {
    if (source.width < 0 || source.height < 0) return false;
    if (source.bitDepth >= 1 && source.bitDepth <= 8) return source.planes[0] && source.palette;
    if (source.bitDepth != 24 && source.bitDepth != 32) return false;
    return source.planes[0] && source.planes[1] && source.planes[2];
}

int refuse() {
    platform::showMessage("Unable to allocate memory for bitmap.", platform::kErrorCaption, platform::kMbIconWarning);
    return 0;
}

int scaleInto(const RasterImage& source, const ScaleTarget& target, RasterImage& scaled) {
    if (target.width < 1 || target.height < 1 || target.width > kMaxScreenSide || target.height > kMaxScreenSide ||
        !isPicture(source)) {
        return 0;
    }
    scaled.width = target.width;
    scaled.height = target.height;
    scaled.bitDepth = 24;
    if (!scaled.allocate()) return 0;

    // Planes 0, 1 and 2 are blue, green and red; palette entries are red,
    // green and blue.
    const uint8_t background[3] = {target.blue, target.green, target.red};
    const bool indexed = source.bitDepth <= 8;
    uint8_t lookup[3][256];
    if (indexed) {
        for (int p = 0; p < 3; ++p) {
            for (int i = 0; i < 256; ++i) lookup[p][i] = source.palette[3 * i + 2 - p];
        }
    }

    if (source.width == 0 || source.height == 0) {
        Layout none{};
        none.top = target.height;
        paintBars(scaled, none, background);
        return 1;
    }
    if (source.width == target.width && source.height == target.height) {
        const size_t pixels = scaled.pixelCount();
        for (int p = 0; p < 3; ++p) {
            if (!indexed) {
                std::memcpy(scaled.planes[p], source.planes[p], pixels);
                continue;
            }
            for (size_t i = 0; i < pixels; ++i) scaled.planes[p][i] = lookup[p][source.planes[0][i]];
        }
        return 1;
    }

    const Layout layout = layOut(source.width, source.height, target);
    TapTable table;
    int64_t firstColumn, columns;
    if (!buildTable(layout.across, layout.width, table, firstColumn, columns)) return 0;
    // One row of sums and one work row per channel.
    const uint64_t rowBytes = uint64_t(columns) * (sizeof(int32_t) + 3 * sizeof(int16_t));
    if (rowBytes > kMaxWorkBytes) return 0;
    std::unique_ptr<int32_t[]> sums = obtain<int32_t>(uint64_t(columns));
    std::unique_ptr<int16_t[]> work = obtain<int16_t>(3 * uint64_t(columns));
    if (!sums || !work) return 0;
    const int16_t* const rows[3] = {work.get(), work.get() + columns, work.get() + 2 * columns};

    paintBars(scaled, layout, background);
    Channel channels[3];
    for (int p = 0; p < 3; ++p) {
        channels[p] = {indexed ? source.planes[0] : source.planes[p], indexed ? lookup[p] : nullptr, source.width};
    }
    const size_t corner = size_t(layout.top) * size_t(target.width) + size_t(layout.left);
    for (int32_t y = 0; y < layout.height; ++y) {
        for (int p = 0; p < 3; ++p) {
            weighDown(channels[p], layout.down, y, firstColumn, int32_t(columns), sums.get(), work.get() + p * columns);
        }
        const size_t at = corner + size_t(y) * size_t(target.width);
        uint8_t* const out[3] = {scaled.planes[0] + at, scaled.planes[1] + at, scaled.planes[2] + at};
        weighAcross(table, rows, layout.width, out);
    }
    return 1;
}

}  // namespace

int scaleImage(const RasterImage& source, const ScaleTarget& target, RasterImage& scaled) {
    return scaleInto(source, target, scaled) ? 1 : refuse();
}
