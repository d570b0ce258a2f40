// Uncompressed, bottom-up Windows bitmaps: 8-bit with a full 256-entry colour
// table for indexed pictures, 24-bit for colour ones (a fourth plane is not
// written). Sizes and counters are 32-bit so that pictures wider or higher
// than 32767 pixels come out whole.
//
// The bytes go through one fixed-size buffer, never a buffer sized by the
// picture: a row wider than the buffer is written in pieces, so any picture
// that could be allocated can be written, even in a 32-bit address space.
#include <cstring>
#include <new>

#include "image/RasterImage.h"
#include "platform/Messages.h"
#include "platform/OpenFile.h"

namespace {

constexpr uint32_t kPixelsPerMetre = 45074;
constexpr uint32_t kHeaderBytes = 54;
constexpr uint32_t kColourTableBytes = 1024;

// Large enough to hold several rows of an ordinary picture, so that the file
// gets a few big writes rather than one per row.
constexpr size_t kBufferBytes = size_t(256) * 1024;
// Used when even that cannot be had; still holds whole pixels and the header.
constexpr size_t kFallbackBytes = 4096;

size_t rowStride(int32_t width, int bytesPerPixel) {
    const size_t bytes = size_t(width) * size_t(bytesPerPixel);
    return (bytes + 3) & ~size_t(3);
}

void putUint16(uint8_t* at, uint16_t value) {
    at[0] = uint8_t(value);
    at[1] = uint8_t(value >> 8);
}

void putUint32(uint8_t* at, uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = uint8_t(value >> (8 * i));
}

// Collects the file's bytes and hands them to the stream a buffer at a time.
// The first failed write is remembered and everything after it is dropped,
// so the writers only ask once, at the end, whether the file is whole.
class BmpOutput {
public:
    explicit BmpOutput(FILE* stream) : stream_(stream), buffer_(new (std::nothrow) uint8_t[kBufferBytes]) {
        if (buffer_) {
            data_ = buffer_;
            capacity_ = kBufferBytes;
        } else {
            data_ = fallback_;
            capacity_ = sizeof fallback_;
        }
    }
    ~BmpOutput() { delete[] buffer_; }
    BmpOutput(const BmpOutput&) = delete;
    BmpOutput& operator=(const BmpOutput&) = delete;

    bool ok() const { return ok_; }

    // Free room for at least `wanted` bytes (at most the capacity), flushing
    // the buffer first when needed. Returns the room's start and sets
    // *available to its size.
    uint8_t* room(size_t wanted, size_t* available) {
        if (capacity_ - used_ < wanted) flush();
        *available = capacity_ - used_;
        return data_ + used_;
    }

    void commit(size_t count) { used_ += count; }

    void put(const uint8_t* bytes, size_t count) {
        while (count > 0 && ok_) {
            size_t available;
            uint8_t* at = room(1, &available);
            const size_t piece = count < available ? count : available;
            std::memcpy(at, bytes, piece);
            commit(piece);
            bytes += piece;
            count -= piece;
        }
    }

    void putZeros(size_t count) {
        static const uint8_t zeros[4] = {};
        put(zeros, count);  // only a row's fill, at most 3 bytes
    }

    // Writes out what is left; true when every byte reached the stream.
    bool finish() {
        flush();
        return ok_;
    }

private:
    void flush() {
        if (used_ > 0 && ok_ && std::fwrite(data_, 1, used_, stream_) != used_) ok_ = false;
        used_ = 0;
    }

    FILE* stream_;
    uint8_t* buffer_;
    uint8_t* data_;
    size_t capacity_;
    size_t used_ = 0;
    bool ok_ = true;
    uint8_t fallback_[kFallbackBytes];
};

void writeBmpHeader(BmpOutput& out, int32_t width, int32_t height, int bytesPerPixel, uint32_t dataOffset,
                    int bitCount) {
    const uint64_t fileSize =
        uint64_t(dataOffset) + uint64_t(height < 0 ? 0 : height) * rowStride(width, bytesPerPixel);
    uint8_t header[kHeaderBytes] = {};
    header[0] = 'B';
    header[1] = 'M';
    putUint32(header + 2, uint32_t(fileSize));
    putUint16(header + 6, 0);
    putUint16(header + 8, 0);
    putUint32(header + 10, dataOffset);
    putUint32(header + 14, 40);
    putUint32(header + 18, uint32_t(width));
    putUint32(header + 22, uint32_t(height));
    putUint16(header + 26, 1);
    putUint16(header + 28, uint16_t(bitCount));
    putUint32(header + 30, 0);
    putUint32(header + 34, 0);
    putUint32(header + 38, kPixelsPerMetre);
    putUint32(header + 42, kPixelsPerMetre);
    putUint32(header + 46, 0);
    putUint32(header + 50, 0);
    out.put(header, sizeof header);
}

}  // namespace

int RasterImage::writeBmp(const char* path) {
    FILE* out = platform::openFile(path, "wb");
    if (!out) {
        platform::showMessage("Unable to open file for writing.", "BMP Writer", platform::kMbOk);
        return 0;
    }
    int result;
    if (bitDepth == 24 || bitDepth == 32) {
        result = writeBmp24(out);
    } else if (bitDepth >= 1 && bitDepth <= 8) {
        result = writeBmp8(out);
    } else {
        platform::showMessage("Unsupported colour depth.", "BMP Writer", platform::kMbIconWarning);
        std::fclose(out);
        return 0;
    }
    // Closing writes what the stream still holds: a full disk often shows
    // only here.
    if (std::fclose(out) != 0) result = 0;
    if (!result) {
        platform::showMessage("Unable to write file; the bitmap is incomplete.", "BMP Writer",
                              platform::kMbIconWarning);
    }
    return result;
}

int RasterImage::writeBmp24(FILE* stream) {
    BmpOutput out(stream);
    writeBmpHeader(out, width, height, 3, kHeaderBytes, 24);
    if (width > 0 && height > 0) {
        const size_t w = size_t(width);
        const size_t fill = w % 4;
        for (int32_t y = height - 1; y >= 0 && out.ok(); --y) {
            const size_t offset = size_t(y) * w;
            const uint8_t* blue = planes[0] + offset;
            const uint8_t* green = planes[1] + offset;
            const uint8_t* red = planes[2] + offset;
            // As many whole pixels of the row as the buffer has room for.
            for (size_t x = 0; x < w && out.ok();) {
                size_t available;
                uint8_t* at = out.room(3, &available);
                const size_t end = x + available / 3 < w ? x + available / 3 : w;
                for (size_t i = x; i < end; ++i, at += 3) {
                    at[0] = blue[i];
                    at[1] = green[i];
                    at[2] = red[i];
                }
                out.commit(3 * (end - x));
                x = end;
            }
            out.putZeros(fill);
        }
    }
    return out.finish() ? 1 : 0;
}

int RasterImage::writeBmp8(FILE* stream) {
    BmpOutput out(stream);
    writeBmpHeader(out, width, height, 1, kHeaderBytes + kColourTableBytes, 8);

    uint8_t table[kColourTableBytes];
    for (int i = 0; i < 256; ++i) {
        table[4 * i] = palette[3 * i + 2];
        table[4 * i + 1] = palette[3 * i + 1];
        table[4 * i + 2] = palette[3 * i];
        table[4 * i + 3] = 0;
    }
    out.put(table, sizeof table);
    if (width > 0 && height > 0) {
        const size_t w = size_t(width);
        const size_t fill = (4 - w % 4) % 4;
        for (int32_t y = height - 1; y >= 0 && out.ok(); --y) {
            out.put(planes[0] + size_t(y) * w, w);
            out.putZeros(fill);
        }
    }
    return out.finish() ? 1 : 0;
}
