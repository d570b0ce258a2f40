// GIF pictures (87a and 89a): every image of the file is decoded into the one
// index plane, from its top-left byte with the image's own row length, so the
// last image wins. Extensions, transparency included, are skipped.
#include <cstring>
#include <memory>
#include <new>

#include "image/ByteSource.h"
#include "image/RasterImage.h"
#include "platform/Messages.h"
#include "readers/GifLzw.h"

namespace {

const char kCaption[] = "GIF Reader";

void warn(const char* text) {
    platform::showMessage(text, kCaption, platform::kMbIconWarning);
}

uint16_t readUint16LE(ByteSource& in) {
    const unsigned low = in.byte();
    const unsigned high = in.byte();
    return uint16_t(low | (high << 8));
}

// Reads entries colour table entries into the palette from entry 0. Entries
// the file does not hold keep what they had.
void readColourTable(ByteSource& in, uint8_t* palette, int entries) {
    in.read(palette, size_t(entries) * 3);
}

// Decodes rows of imageWidth pixels into the plane. Row y starts at byte
// y * imageWidth; whatever falls beyond the plane is decoded and dropped.
class RowWriter {
public:
    RowWriter(gif::LzwDecoder& decoder, uint8_t* plane, size_t planeSize, size_t imageWidth)
        : decoder_(decoder), plane_(plane), planeSize_(planeSize), imageWidth_(imageWidth) {}

    // Pixels from byte `start` of the plane on, count of them.
    void fill(size_t start, size_t count) {
        size_t inside = 0;
        if (start < planeSize_) inside = planeSize_ - start < count ? planeSize_ - start : count;
        if (inside > 0) decoder_.readLzwBytes(plane_ + start, inside);
        if (count > inside) decoder_.readLzwBytes(nullptr, count - inside);
    }

    void row(size_t y) { fill(y * imageWidth_, imageWidth_); }

    // Once the data has ended, a row beyond the plane changes nothing.
    bool pointless(size_t y) const {
        return decoder_.finished() && y * imageWidth_ >= planeSize_;
    }

private:
    gif::LzwDecoder& decoder_;
    uint8_t* plane_;
    size_t planeSize_;
    size_t imageWidth_;
};

// Decodes one image. False only when the decoder's tables cannot be had.
bool readGifImage(ByteSource& in, int imageWidth, int imageHeight, bool interlaced,
                  uint8_t* plane, size_t planeSize) {
    const int minimumCodeSize = in.byte();
    if (minimumCodeSize < 2 || minimumCodeSize > gif::LzwDecoder::kLargestMinimumCodeSize) {
        warn("Invalid code size");
    }

    std::unique_ptr<gif::LzwDecoder> decoder(new (std::nothrow)
                                                 gif::LzwDecoder(in, minimumCodeSize));
    if (!decoder) return false;
    if (imageWidth <= 0 || imageHeight <= 0) return true;

    RowWriter rows(*decoder, plane, planeSize, size_t(imageWidth));
    const size_t height = size_t(imageHeight);
    if (!interlaced) {
        // Rows follow one another with the image's own row length, so the
        // whole image is one run of bytes.
        rows.fill(0, size_t(imageWidth) * height);
        return true;
    }
    static const size_t kPassStart[4] = {0, 4, 2, 1};
    static const size_t kPassStep[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
        for (size_t y = kPassStart[pass]; y < height; y += kPassStep[pass]) {
            if (rows.pointless(y)) break;  // later rows of the pass lie further out
            rows.row(y);
        }
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

    if (!allocate()) {
        warn("Unable to allocate memory for bitmap.");
        return 0;
    }
    if (screen & 0x80) {
        readColourTable(in, palette, 1 << bitDepth);
    } else {
        for (int i = 0; i < 256; ++i) {
            palette[3 * i] = palette[3 * i + 1] = palette[3 * i + 2] = uint8_t(i);
        }
    }
    const size_t planeSize = pixelCount();
    std::memset(planes[0], background, planeSize);

    for (;;) {
        const int introducer = in.get();
        if (introducer < 0) {
            warn("Corrupted file.");
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
            if (!readGifImage(in, imageWidth, imageHeight, (packed & 0x40) != 0, planes[0],
                              planeSize)) {
                warn("Unable to allocate memory for bitmap.");
                return 0;
            }
        }
        // Any other byte is ignored.
    }
    return 1;
}
