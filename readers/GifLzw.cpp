#include "readers/GifLzw.h"

#include <cstring>

#include "image/ByteSource.h"

namespace gif {

namespace {

uint64_t loadLittleEndian64(const uint8_t* bytes) {
    uint64_t value;
    std::memcpy(&value, bytes, sizeof value);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    value = __builtin_bswap64(value);
#endif
    return value;
}

}  // namespace

int readDataBlock(ByteSource& in, uint8_t* buffer, size_t& got) {
    got = 0;
    const int count = in.get();
    if (count < 0) return -1;
    if (count > 0) got = in.read(buffer, size_t(count));
    return count;
}

void skipDataBlocks(ByteSource& in) {
    for (;;) {
        const int count = in.get();
        if (count <= 0) return;
        in.skip(size_t(count));
    }
}

LzwDecoder::LzwDecoder(ByteSource& in, int minimumCodeSize) : in_(in) {
    if (minimumCodeSize > kLargestMinimumCodeSize) minimumCodeSize = kLargestMinimumCodeSize;
    if (minimumCodeSize < 0) minimumCodeSize = 0;
    minimumCodeSize_ = minimumCodeSize;
    clearCode_ = 1 << minimumCodeSize;
    endCode_ = clearCode_ + 1;
    reset();
}

void LzwDecoder::reset() {
    codeSize_ = minimumCodeSize_ + 1;
    codeSizeLimit_ = 2 * clearCode_;
    nextCode_ = clearCode_ + 2;
    stackTop_ = stackEnd_ = 0;
    stackDeferred_ = false;
}

bool LzwDecoder::nextBlock() {
    size_t got = 0;
    if (readDataBlock(in_, block_, got) <= 0) return false;
    // A block cut short by the end of the file gives only the bytes it has;
    // the next read then meets the end of the file.
    blockPos_ = 0;
    blockEnd_ = got;
    return true;
}

bool LzwDecoder::fillBits() {
    while (bitCount_ < codeSize_) {
        if (blockPos_ == blockEnd_) {
            if (done_ || !nextBlock()) {
                done_ = true;
                return false;
            }
            continue;
        }
        while (bitCount_ <= 56 && blockPos_ < blockEnd_) {
            bits_ |= uint64_t(block_[blockPos_++]) << bitCount_;
            bitCount_ += 8;
        }
    }
    return true;
}

int LzwDecoder::clearAndFirstCode() {
    reset();
    int code;
    do {
        code = getCode();
    } while (code == clearCode_);
    if (code > clearCode_) code = 0;
    oldCode_ = code;
    firstCode_ = uint8_t(code);
    return code;
}

// An end code in the data: the sub-blocks after the current one are not
// image data any more.
void LzwDecoder::skipRest() {
    if (!done_) {
        skipDataBlocks(in_);
        done_ = true;
    }
}

uint8_t LzwDecoder::readLzwByte() {
    uint8_t pixel = 0;
    readLzwBytes(&pixel, 1);
    return pixel;
}

void LzwDecoder::readLzwBytes(uint8_t* destination, size_t count) {
    const size_t produced = decodePixels(destination, count);
    if (destination && produced < count) std::memset(destination + produced, 0, count - produced);
}

size_t LzwDecoder::decodePixels(uint8_t* destination, size_t count) {
    const size_t wanted = count;
    while (count > 0) {
        if (stackTop_ < stackEnd_) {
            size_t take = stackEnd_ - stackTop_;
            if (take > count) take = count;
            if (destination) {
                if (stackDeferred_) writeDeferredString();
                std::memcpy(destination, stack_ + stackTop_, take);
                destination += take;
            }
            stackTop_ += take;
            count -= take;
            continue;
        }
        if (finished_) break;
        size_t produced;
        if (fresh_) {
            // The first pixel is read as if a clear code had come first.
            fresh_ = false;
            const int pixel = clearAndFirstCode();
            if (destination) *destination = uint8_t(pixel);
            produced = 1;
        } else {
            produced = decodeStrings(destination, count);
        }
        if (destination) destination += produced;
        count -= produced;
    }
    return wanted - count;
}

void LzwDecoder::writeDeferredString() {
    const size_t stringLength = stackEnd_ - (deferredExtra_ ? 1 : 0);
    int k = deferredCode_;
    for (size_t i = stringLength - 1; i > 0; --i) {
        stack_[i] = suffix_[k];
        k = prefix_[k];
    }
    stack_[0] = uint8_t(k);
    if (deferredExtra_) stack_[stringLength] = deferredLast_;
    stackDeferred_ = false;
}

// The hot loop: decodes codes until count pixels have been produced, a
// string has been left on the stack, a clear code has been handled or the
// codes have run out. Works on local copies of the state, since every byte stored
// through destination could otherwise alias the members.
size_t LzwDecoder::decodeStrings(uint8_t* destination, size_t count) {
    uint64_t bits = bits_;
    int bitCount = bitCount_;
    size_t blockPos = blockPos_;
    size_t blockEnd = blockEnd_;
    int codeSize = codeSize_;
    int codeSizeLimit = codeSizeLimit_;
    int nextCode = nextCode_;
    int oldCode = oldCode_;
    uint8_t firstCode = firstCode_;
    const int clearCode = clearCode_;
    const int endCodeValue = endCode_;
    uint16_t* const prefix = prefix_;
    uint16_t* const length = length_;
    uint8_t* const suffix = suffix_;
    uint8_t* const root = root_;
    const uint8_t* const block = block_;

    auto save = [&]() {
        bits_ = bits;
        bitCount_ = bitCount;
        blockPos_ = blockPos;
        blockEnd_ = blockEnd;
        codeSize_ = codeSize;
        codeSizeLimit_ = codeSizeLimit;
        nextCode_ = nextCode;
        oldCode_ = oldCode;
        firstCode_ = firstCode;
    };

    size_t produced = 0;
    while (produced < count) {
        int code;
        if (bitCount < codeSize) {
            if (blockEnd - blockPos >= 8) {
                // Eight bytes at once; the bytes that do not fit wholly
                // land above bitCount exactly where the next fill puts
                // them again, so or-ing them in twice does no harm.
                bits |= loadLittleEndian64(block + blockPos) << bitCount;
                const int taken = (63 - bitCount) >> 3;
                blockPos += size_t(taken);
                bitCount += 8 * taken;
            } else {
                while (bitCount <= 56 && blockPos < blockEnd) {
                    bits |= uint64_t(block[blockPos++]) << bitCount;
                    bitCount += 8;
                }
            }
            if (bitCount < codeSize) {
                // The current sub-block is used up: fetch the next one.
                if (!done_ && nextBlock()) {
                    blockPos = blockPos_;
                    blockEnd = blockEnd_;
                    continue;
                }
                // No whole code is left: every further pixel is 0.
                done_ = true;
                finished_ = true;
                save();
                return produced;
            }
        }
        code = int(bits & ((uint64_t(1) << codeSize) - 1));
        bits >>= codeSize;
        bitCount -= codeSize;

        if (code == clearCode) {
            save();
            const int pixel = clearAndFirstCode();
            if (destination) destination[produced] = uint8_t(pixel);
            return produced + 1;
        }
        if (code == endCodeValue) {
            // A pixel 0; the table and the previous code stay as they are.
            skipRest();
            if (destination) destination[produced] = 0;
            ++produced;
            continue;
        }

        int inCode = code;
        size_t extra = 0;
        if (code >= nextCode) {
            // Not in the table yet: the previous string followed by its
            // first pixel. A code beyond the next free entry is taken as
            // that entry, and the decoder carries on from code 0.
            if (code > nextCode) inCode = 0;
            code = oldCode;
            extra = 1;
        }
        const size_t stringLength = code < clearCode ? 1 : length[code];
        const size_t total = stringLength + extra;
        const size_t room = count - produced;
        const uint8_t previousFirst = firstCode;
        const bool onStack = total > room;
        if (destination) {
            uint8_t* out = onStack ? stack_ : destination + produced;
            int k = code;
            for (size_t i = stringLength - 1; i > 0; --i) {
                out[i] = suffix[k];
                k = prefix[k];
            }
            out[0] = uint8_t(k);
            if (extra) out[stringLength] = previousFirst;
            firstCode = uint8_t(k);
        } else {
            // Dropped pixels: the string is only written out if part of it
            // is asked for later (the table does not change until then).
            firstCode = code < clearCode ? uint8_t(code) : root[code];
            if (onStack) {
                deferredCode_ = code;
                deferredExtra_ = extra != 0;
                deferredLast_ = previousFirst;
            }
        }

        if (nextCode < kTableSize) {
            prefix[nextCode] = uint16_t(oldCode);
            suffix[nextCode] = firstCode;
            if (oldCode < clearCode) {
                length[nextCode] = 2;
                root[nextCode] = uint8_t(oldCode);
            } else {
                length[nextCode] = uint16_t(length[oldCode] + 1);
                root[nextCode] = root[oldCode];
            }
            ++nextCode;
            if (nextCode >= codeSizeLimit && codeSize < kMaxCodeSize) {
                ++codeSize;
                codeSizeLimit *= 2;
            }
        }
        oldCode = inCode;

        if (onStack) {
            stackTop_ = 0;
            stackEnd_ = total;
            stackDeferred_ = destination == nullptr;
            save();
            return produced;
        }
        produced += total;
    }
    save();
    return produced;
}

}  // namespace gif
