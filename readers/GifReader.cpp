// GIF pictures (87a and 89a): every image of the file is decoded into the one
// index plane, from its top-left byte with the image's own row length, so the
// last image wins. Extensions, transparency included, are skipped.
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "image/ByteSource.h"
#include "image/RasterImage.h"
#include "readers/GifLzw.h"
#include "readers/ReaderSupport.h"

namespace {

const char kCaption[] = "GIF Reader";

// Reads entries colour table entries into the palette from entry 0. Entries
// the file does not hold keep what they had.
void readColourTable(ByteSource& in, uint8_t* palette, int entries) {
    in.read(palette, size_t(entries) * 3);
}

// The stretches of the plane known to hold only zeros. An image whose data
// runs out leaves zeros in the rest of its pixels, and a file may hold
// thousands of such images: clearing what is already clear again would cost
// the plane's size per image. Each image writes its pixels from the plane's
// first byte on, so stretches are only ever taken away from the front, and
// the stretches are kept as a stack, lowest on top.
//
// Every byte cleared here was written by an earlier image (whose decoding
// cost as much) or is cleared for the first time, so all clearing together
// costs at most the plane's size plus the pixels the images wrote.
class ClearStretches {
public:
    ClearStretches(uint8_t* plane, size_t planeSize, bool allClear) : plane_(plane) {
        if (allClear && planeSize > 0) remember(0, planeSize);
    }

    // Bytes below `end` may have been written.
    void written(size_t end) {
        while (!stretches_.empty() && stretches_.back().start < end) {
            Stretch& lowest = stretches_.back();
            if (lowest.end > end) {
                lowest.start = end;
                return;
            }
            stretches_.pop_back();
        }
    }

    // Clears bytes start to end, writing only those not known to be clear.
    // Every stretch lies at or above `start` (written(start) came first).
    void clear(size_t start, size_t end) {
        if (start >= end) return;
        size_t cursor = start;
        size_t top = end;
        while (!stretches_.empty() && stretches_.back().start <= end) {
            const Stretch lowest = stretches_.back();
            stretches_.pop_back();
            if (lowest.start > cursor) std::memset(plane_ + cursor, 0, lowest.start - cursor);
            if (lowest.end > cursor) cursor = lowest.end;
            if (lowest.end > top) top = lowest.end;
        }
        if (cursor < end) std::memset(plane_ + cursor, 0, end - cursor);
        remember(start, top);
    }

private:
    struct Stretch {
        size_t start;
        size_t end;
    };

    void remember(size_t start, size_t end) {
        // Forgetting a stretch costs speed only, never a wrong pixel.
        try {
            stretches_.push_back({start, end});
        } catch (const std::bad_alloc&) {}
    }

    uint8_t* plane_;
    std::vector<Stretch> stretches_;
};

// One image into the plane: rows of imageWidth pixels, row y from byte
// y * imageWidth on; whatever falls beyond the plane is decoded and dropped.
class ImageWriter {
public:
    ImageWriter(gif::LzwDecoder& decoder, uint8_t* plane, size_t planeSize, size_t imageWidth, size_t imageHeight,
                ClearStretches& clear)
        : decoder_(decoder),
          plane_(plane),
          planeSize_(planeSize),
          width_(imageWidth),
          height_(imageHeight),
          region_(imageWidth * imageHeight < planeSize ? imageWidth * imageHeight : planeSize),
          clear_(clear) {}

    void rowsInOrder() {
        // Rows follow one another with the image's own row length, so the
        // whole image is one run of bytes.
        const size_t got = decode(0, width_ * height_);
        const size_t dataEnd = got < region_ ? got : region_;
        clear_.written(dataEnd);
        clear_.clear(dataEnd, region_);
    }

    void interlacedRows() {
        static const size_t kPassStart[4] = {0, 4, 2, 1};
        static const size_t kPassStep[4] = {8, 8, 4, 2};
        size_t rows = height_;  // rows from here on need no further work
        bool tailCleared = false;
        for (int pass = 0; pass < 4; ++pass) {
            for (size_t y = kPassStart[pass]; y < rows; y += kPassStep[pass]) {
                const size_t rowStart = y * width_;
                const size_t got = decoder_.finished() ? 0 : decode(rowStart, width_);
                if (got == width_) continue;
                // The data has run out in (or before) this row: every pixel
                // from here on is 0.
                if (pass == 0) {
                    // Every row from this one on, of every pass: one stretch
                    // to the end of the image. What lies below it is written
                    // or cleared here, paid for by the first pass's rows.
                    size_t dataEnd = rowStart + got;
                    if (dataEnd > region_) dataEnd = region_;
                    clear_.written(dataEnd);
                    clear_.clear(dataEnd, region_);
                    tailCleared = true;
                    rows = y;
                    break;
                }
                // Later rows of the pass lie further out.
                if (rowStart >= planeSize_) break;
                // Between rows of the first pass, which hold data: clearing
                // costs at most seven times what they did.
                const size_t inside = planeSize_ - rowStart < width_ ? planeSize_ - rowStart : width_;
                if (got < inside) std::memset(plane_ + rowStart + got, 0, inside - got);
            }
        }
        if (!tailCleared) clear_.written(region_);
    }

private:
    // Pixels from byte `start` of the plane on, count of them. Returns how
    // many came from the data; once it has run out the rest are not written.
    size_t decode(size_t start, size_t count) {
        size_t inside = 0;
        if (start < planeSize_) inside = planeSize_ - start < count ? planeSize_ - start : count;
        size_t got = inside > 0 ? decoder_.decodePixels(plane_ + start, inside) : 0;
        if (got == inside && count > inside) got += decoder_.decodePixels(nullptr, count - inside);
        return got;
    }

    gif::LzwDecoder& decoder_;
    uint8_t* plane_;
    size_t planeSize_;
    size_t width_;
    size_t height_;
    size_t region_;  // the bytes of the plane the image covers
    ClearStretches& clear_;
};

// Decodes one image. False only when the decoder's tables cannot be had.
bool readGifImage(ByteSource& in, int imageWidth, int imageHeight, bool interlaced, uint8_t* plane, size_t planeSize,
                  ClearStretches& clear, bool& codeSizeReported) {
    const int minimumCodeSize = in.byte();
    if (minimumCodeSize < 2 || minimumCodeSize > gif::LzwDecoder::kLargestMinimumCodeSize) {
        // Once per file: a file may hold thousands of images.
        if (!codeSizeReported) readers::warn("Invalid code size", kCaption);
        codeSizeReported = true;
    }

    std::unique_ptr<gif::LzwDecoder> decoder(new (std::nothrow) gif::LzwDecoder(in, minimumCodeSize));
    if (!decoder) return false;
    if (imageWidth <= 0 || imageHeight <= 0) return true;

    ImageWriter image(*decoder, plane, planeSize, size_t(imageWidth), size_t(imageHeight), clear);
    if (interlaced) {
        image.interlacedRows();
    } else {
        image.rowsInOrder();
    }
    return true;
}

}  // namespace

int RasterImage::readGif(FILE* stream) {
    ByteSource in(stream);
    in.seek(6);
    width = readUint16LE(in);
    height = readUint16LE(in);
    const uint8_t screen = in.byte();
    const uint8_t background = in.byte();
    in.byte();  // pixel aspect ratio
    bitDepth = (screen & 7) + 1;

    if (!allocate()) return readers::warn("Unable to allocate memory for bitmap.", kCaption);
    if (screen & 0x80) {
        readColourTable(in, palette, 1 << bitDepth);
    } else {
        for (int i = 0; i < 256; ++i) {
            palette[3 * i] = palette[3 * i + 1] = palette[3 * i + 2] = uint8_t(i);
        }
    }
    const size_t planeSize = pixelCount();
    std::memset(planes[0], background, planeSize);
    ClearStretches clear(planes[0], planeSize, background == 0);
    bool codeSizeReported = false;

    for (;;) {
        const int introducer = in.get();
        if (introducer < 0) {
            readers::warn("Corrupted file.", kCaption);
            break;
        }
        if (introducer == 0x3B) break;
        if (introducer == 0x21) {
            in.get();  // the label: every extension is skipped alike
            gif::skipDataBlocks(in);
        } else if (introducer == 0x2C) {
            readUint16LE(in);  // left and top positions are not applied
            readUint16LE(in);
            const int imageWidth = int16_t(readUint16LE(in));
            const int imageHeight = int16_t(readUint16LE(in));
            const uint8_t packed = in.byte();
            if (packed & 0x80) readColourTable(in, palette, 2 << (packed & 7));
            bitDepth = 8;
            if (!readGifImage(in, imageWidth, imageHeight, (packed & 0x40) != 0, planes[0], planeSize, clear,
                              codeSizeReported)) {
                return readers::warn("Unable to allocate memory for bitmap.", kCaption);
            }
        }
        // Any other byte is ignored.
    }
    return 1;
}
