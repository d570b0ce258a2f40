// The GIF variable-length-code (LZW) decompressor: a code extractor over the
// image's data sub-blocks and a decoder that hands out pixel indices.
//
// readLzwByte() produces one pixel; readLzwBytes() produces many with exactly
// the same results and the same consumption of the file, but writes each
// decoded string straight into the destination. A string that does not fit
// waits on the stack and is handed out first by the next call, so the
// decoder's state carries over from one row (or interlace pass) to the next.
//
// An end code gives one pixel 0 and skips the sub-blocks after the current
// one; codes still in the current sub-block are decoded as usual. Once the
// codes have run out (a zero-count sub-block or the end of the file, with no
// whole code left) every further pixel is 0.
#pragma once

#include <cstddef>
#include <cstdint>

class ByteSource;

namespace gif {

// Reads one data sub-block: the count byte, then up to that many bytes into
// buffer (which holds at least 255). Returns the count, or -1 at end of file
// with nothing read. A block cut short by the end of the file reports in
// `got` how many bytes it actually holds.
int readDataBlock(ByteSource& in, uint8_t* buffer, size_t& got);

// Reads sub-blocks until a zero count or the end of the file.
void skipDataBlocks(ByteSource& in);

class LzwDecoder {
public:
    static constexpr int kTableSize = 4096;
    static constexpr int kMaxCodeSize = 12;
    // Minimum code sizes above this would need codes wider than 12 bits.
    static constexpr int kLargestMinimumCodeSize = 11;

    // minimumCodeSize is the image data's first byte; sizes above 11 are
    // decoded as 11 so that every code stays within 12 bits and the tables.
    LzwDecoder(ByteSource& in, int minimumCodeSize);
    LzwDecoder(const LzwDecoder&) = delete;
    LzwDecoder& operator=(const LzwDecoder&) = delete;

    // The next pixel index, cut to the 8 bits a plane keeps (root codes of
    // minimum code sizes 9 to 11 go above 255).
    uint8_t readLzwByte();

    // The next count pixels, exactly as count calls of readLzwByte would give
    // them. With a null destination they are decoded and dropped (the codes
    // are still consumed).
    void readLzwBytes(uint8_t* destination, size_t count);

    // The same, but stops once the codes have run out: returns how many
    // pixels came before that point; the destination's remaining bytes are
    // left as they are (they would all be 0).
    size_t decodePixels(uint8_t* destination, size_t count);

    // The next code from the data sub-blocks; the end code once the data
    // has run out.
    int getCode() {
        if (bitCount_ < codeSize_ && !fillBits()) return endCode_;
        const int code = int(bits_ & ((uint64_t(1) << codeSize_) - 1));
        bits_ >>= codeSize_;
        bitCount_ -= codeSize_;
        return code;
    }

    // True once the codes have run out: every further pixel is 0.
    bool finished() const { return finished_ && stackTop_ == stackEnd_; }

private:
    bool fillBits();
    bool nextBlock();
    void reset();
    int clearAndFirstCode();
    void skipRest();
    size_t decodeStrings(uint8_t* destination, size_t count);
    void writeDeferredString();

    ByteSource& in_;

    // Code extraction: the bits not yet used, least significant first, and
    // the current data sub-block.
    uint64_t bits_ = 0;
    int bitCount_ = 0;
    size_t blockPos_ = 0;
    size_t blockEnd_ = 0;
    bool done_ = false;      // no further sub-block is read: the zero-count one
                             // (or the end of the file) met, or an end code
    bool finished_ = false;  // no whole code left: every further pixel is 0

    int minimumCodeSize_;
    int clearCode_;
    int endCode_;
    int codeSize_ = 0;
    int codeSizeLimit_ = 0;
    int nextCode_ = 0;
    bool fresh_ = true;
    int oldCode_ = 0;
    uint8_t firstCode_ = 0;  // first pixel of the last string

    // The string of entry k is the string of prefix_[k] followed by
    // suffix_[k]; length_[k] is its length and root_[k] its first pixel.
    // Every entry below nextCode_ was written after the last reset, and its
    // prefix is a smaller code, so a walk down the chain always ends at a
    // root code within length_[k] steps.
    uint16_t prefix_[kTableSize] = {};
    uint16_t length_[kTableSize] = {};
    uint8_t suffix_[kTableSize] = {};
    uint8_t root_[kTableSize] = {};

    // Pending output, read front to back from stackTop_ to stackEnd_. A
    // string is at most kTableSize - 1 pixels long.
    uint8_t stack_[kTableSize + 1] = {};
    size_t stackTop_ = 0;
    size_t stackEnd_ = 0;
    // A string met while pixels were being dropped is put on the stack only
    // when some of it is stored: until then the stack holds code
    // deferredCode_, followed by deferredLast_ when deferredExtra_ is set.
    bool stackDeferred_ = false;
    bool deferredExtra_ = false;
    int deferredCode_ = 0;
    uint8_t deferredLast_ = 0;

    uint8_t block_[256] = {};
};

}  // namespace gif
