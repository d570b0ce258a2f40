// ZSoft PCX: a 128-byte header, scan lines stored raw or run-length encoded
// (one plane segment after another), and a palette in the header or at the
// end of the file.
#include <cstdlib>
#include <cstring>
#include <memory>

#include "image/ByteSource.h"
#include "image/RasterImage.h"
#include "readers/ReaderSupport.h"

namespace {

const char* const kCaption = "PCX Reader";

constexpr size_t kHeaderSize = 128;
constexpr size_t kHeaderPaletteOffset = 16;
constexpr long kFilePaletteSize = 768;

// The colours of a 16-colour display, for files whose header carries no
// palette of their own.
const uint8_t kDefaultSixteenColours[48] = {
    0x00, 0x00, 0x00, 0x00, 0x00, 0xAA, 0x00, 0xAA, 0x00, 0x00, 0xAA, 0xAA, 0xAA, 0x00, 0x00, 0xAA,
    0x00, 0xAA, 0xAA, 0x55, 0x00, 0xAA, 0xAA, 0xAA, 0x55, 0x55, 0x55, 0x55, 0x55, 0xFF, 0x55, 0xFF,
    0x55, 0x55, 0xFF, 0xFF, 0xFF, 0x55, 0x55, 0xFF, 0x55, 0xFF, 0xFF, 0xFF, 0x55, 0xFF, 0xFF, 0xFF,
};

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};

int32_t signed16(const uint8_t* p) {
    return int16_t(uint16_t(p[0] | (p[1] << 8)));
}

// How one decoded scan line maps onto the planes.
struct LineLayout {
    size_t width;         // pixels per row
    size_t lineBytes;     // bytes of one scan line, all plane segments
    size_t bytesPerLine;  // bytes of one plane segment
    int bitsPerPixel;     // per plane segment
    int planeCount;       // segments per scan line
    int bitDepth;
};

// Fills the row from `count` source bytes and clears what they do not cover,
// so a short segment never leaves stale memory in the picture.
void copyClipped(uint8_t* row, size_t width, const uint8_t* source, size_t count) {
    const size_t n = count < width ? count : width;
    std::memcpy(row, source, n);
    if (n < width) std::memset(row + n, 0, width - n);
}

// Packed pixels of 1 to 8 bits, most significant bits first, in one segment
// per plane: segment k supplies bits k*bits and up of every palette index.
void expandPacked(const LineLayout& layout, const uint8_t* line, uint8_t* row) {
    const unsigned bits = unsigned(layout.bitsPerPixel);
    const unsigned mask = (1u << bits) - 1u;
    const size_t segment = layout.bytesPerLine;
    // Pixels each segment holds in full; the others get index 0.
    const size_t held = segment * 8 / bits;
    const size_t n = held < layout.width ? held : layout.width;
    std::memset(row, 0, layout.width);
    for (int k = 0; k < layout.planeCount; ++k) {
        const uint8_t* source = line + size_t(k) * segment;
        const unsigned shift = unsigned(k) * bits;
        if (bits == 1) {
            for (size_t x = 0; x < n; ++x) {
                const unsigned bit = (source[x >> 3] >> (7 - (x & 7))) & 1u;
                row[x] = uint8_t(row[x] | (bit << shift));
            }
            continue;
        }
        for (size_t x = 0; x < n; ++x) {
            const size_t first = x * bits;
            const size_t at = first >> 3;
            const unsigned within = unsigned(first & 7);
            // Two bytes hold any field of up to 8 bits.
            const unsigned window = (unsigned(source[at]) << 8) | (at + 1 < segment ? source[at + 1] : 0u);
            const unsigned value = (window >> (16 - within - bits)) & mask;
            row[x] = uint8_t(row[x] | (value << shift));
        }
    }
}

void placeLine(RasterImage& image, const LineLayout& layout, const uint8_t* line, size_t y) {
    const size_t width = layout.width;
    const size_t offset = y * width;
    if (layout.bitDepth == 24 || layout.bitDepth == 32) {
        // Colour segments in file order red, green, blue (and the fourth
        // channel), each a fair share of the scan line.
        static const int kPlaneOf[4] = {2, 1, 0, 3};
        const int channels = layout.bitDepth / 8;
        const size_t segment = layout.lineBytes / size_t(channels);
        for (int c = 0; c < channels; ++c) {
            copyClipped(image.planes[kPlaneOf[c]] + offset, width, line + size_t(c) * segment, segment);
        }
        return;
    }
    if (layout.bitsPerPixel == 8 && layout.planeCount == 1) {
        copyClipped(image.planes[0] + offset, width, line, layout.lineBytes);
        return;
    }
    expandPacked(layout, line, image.planes[0] + offset);
}

// Run-length data, decoded from blocks taken from the byte source. The block
// cursor is copied into locals while a line is decoded, so that stores into
// the line (bytes may alias anything) do not force it to be reloaded.
class RunSource {
public:
    explicit RunSource(ByteSource& in) : in_(in) {}
    RunSource(const RunSource&) = delete;
    RunSource& operator=(const RunSource&) = delete;

    bool atEnd() { return cursor_ == end_ && !refill(); }

    // One scan line. A byte with both top bits set is a run: its low six
    // bits count copies of the next byte. A run never carries into the next
    // line; at end of file every byte reads as 0xFF, a run of 63 0xFF.
    void decodeLine(uint8_t* line, size_t lineBytes) {
        size_t position = 0;
        while (position < lineBytes) {
            const uint8_t* cursor = cursor_;
            const uint8_t* const end = end_;
            while (position < lineBytes && end - cursor >= 2) {
                const uint8_t c = *cursor++;
                if (c < 0xC0) {
                    line[position++] = c;
                } else {
                    const uint8_t value = *cursor++;
                    position += store(line + position, lineBytes - position, c & 0x3Fu, value);
                }
            }
            cursor_ = cursor;
            if (position >= lineBytes) break;
            // A token that may straddle the block's end or the file's.
            const uint8_t c = next();
            if (c < 0xC0) {
                line[position++] = c;
            } else {
                const uint8_t value = next();
                position += store(line + position, lineBytes - position, c & 0x3Fu, value);
            }
        }
    }

private:
    static size_t store(uint8_t* at, size_t room, size_t count, uint8_t value) {
        if (count > room) count = room;
        if (count <= 8) {
            for (size_t i = 0; i < count; ++i) at[i] = value;
        } else {
            std::memset(at, value, count);
        }
        return count;
    }

    bool refill() {
        const size_t got = in_.read(block_, sizeof block_);
        cursor_ = block_;
        end_ = block_ + got;
        return got > 0;
    }

    uint8_t next() {
        if (cursor_ == end_ && !refill()) return 0xFF;
        return *cursor_++;
    }

    ByteSource& in_;
    const uint8_t* cursor_ = nullptr;
    const uint8_t* end_ = nullptr;
    uint8_t block_[16 * 1024];
};

bool allEntriesEqual(const uint8_t* entries, size_t count) {
    for (size_t i = 1; i < count; ++i) {
        if (std::memcmp(entries, entries + 3 * i, 3) != 0) return false;
    }
    return true;
}

void greyRamp(uint8_t* palette, int bitDepth) {
    const unsigned levels = 1u << bitDepth;
    for (unsigned i = 0; i < levels; ++i) {
        const uint8_t grey = uint8_t(i * 255u / (levels - 1u));
        palette[3 * i] = palette[3 * i + 1] = palette[3 * i + 2] = grey;
    }
}

// Pictures of fewer than 256 colours take their colours from the header; one
// that gives every entry the same colour carries no real palette (the picture
// would show as a single colour), and gets the usual colours of its depth.
void readHeaderPalette(RasterImage& image, const uint8_t* header) {
    uint8_t* palette = image.palette;
    std::memset(palette, 0, 768);
    const int depth = image.bitDepth;
    if (depth > 4) {
        greyRamp(palette, depth);
        return;
    }
    const size_t entries = size_t(1) << depth;
    const uint8_t* supplied = header + kHeaderPaletteOffset;
    if (!allEntriesEqual(supplied, entries)) {
        std::memcpy(palette, supplied, 3 * entries);
    } else if (depth == 4) {
        std::memcpy(palette, kDefaultSixteenColours, sizeof kDefaultSixteenColours);
    } else {
        greyRamp(palette, depth);
    }
}

}  // namespace

int RasterImage::readPcx(FILE* stream) {
    ByteSource in(stream);

    uint8_t header[kHeaderSize];
    std::memset(header, 0xFF, sizeof header);
    in.read(header, sizeof header);

    const int encoding = header[2];
    const int bitsPerPixel = header[3];
    const int planeCount = header[65];
    const size_t bytesPerLine = size_t(header[66]) | (size_t(header[67]) << 8);
    width = signed16(header + 8) - signed16(header + 4) + 1;
    height = signed16(header + 10) - signed16(header + 6) + 1;
    bitDepth = bitsPerPixel * planeCount;

    if (!allocate()) return readers::warn("Unable to allocate memory for bitmap.", kCaption);

    LineLayout layout;
    layout.width = size_t(width);
    layout.lineBytes = size_t(planeCount) * bytesPerLine;
    layout.bytesPerLine = bytesPerLine;
    layout.bitsPerPixel = bitsPerPixel;
    layout.planeCount = planeCount;
    layout.bitDepth = bitDepth;

    std::unique_ptr<uint8_t, FreeDeleter> buffer(
        static_cast<uint8_t*>(std::malloc(layout.lineBytes ? layout.lineBytes : 1)));
    if (!buffer) return readers::warn("Unable to allocate memory.", kCaption);
    uint8_t* line = buffer.get();

    const size_t rows = size_t(height);
    RunSource runs(in);
    if (encoding == 0 || encoding == 1) {
        bool exhausted = false;
        for (size_t y = 0; y < rows; ++y) {
            if (!exhausted) {
                if (encoding == 0) {
                    // Bytes missing at the end of the file read as 0xFF;
                    // once none is left, the line stays all 0xFF.
                    const size_t got = in.read(line, layout.lineBytes);
                    if (got < layout.lineBytes) {
                        std::memset(line + got, 0xFF, layout.lineBytes - got);
                    }
                    exhausted = got == 0 && layout.lineBytes > 0;
                } else if (runs.atEnd()) {
                    // From here on every line decodes to 0xFF bytes alone.
                    std::memset(line, 0xFF, layout.lineBytes);
                    exhausted = true;
                } else {
                    runs.decodeLine(line, layout.lineBytes);
                }
            }
            placeLine(*this, layout, line, y);
        }
    } else {
        // Unknown encoding: no pixel data, an empty (black) picture.
        for (int i = 0; i < 4; ++i) {
            if (planes[i]) std::memset(planes[i], 0, pixelCount());
        }
    }
    buffer.reset();

    if (bitDepth == 8) {
        std::memset(palette, 0xFF, 768);
        if (in.seek(-kFilePaletteSize, SEEK_END)) in.read(palette, 768);
    } else if (bitDepth < 8) {
        readHeaderPalette(*this, header);
    }
    return 1;
}
