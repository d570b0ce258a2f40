// Buffered reading of an input stream for the picture readers: the readers
// consume a file byte by byte, and a runtime call per byte would dominate
// their cost. A ByteSource takes over the stream from its current position;
// while it is in use, nothing else should read the stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

class ByteSource {
public:
    explicit ByteSource(FILE* stream);
    ByteSource(const ByteSource&) = delete;
    ByteSource& operator=(const ByteSource&) = delete;

    // Next byte (0 to 255), or -1 at end of file.
    int get() {
        if (pos_ == end_ && !refill()) return -1;
        return buffer_[pos_++];
    }

    // Next byte, with a byte missing at end of file read as 0xFF.
    uint8_t byte() {
        if (pos_ == end_ && !refill()) return 0xFF;
        return buffer_[pos_++];
    }

    // Steps back over the byte just read by get() or byte() (not at end).
    void unget() {
        if (pos_ > 0) --pos_;
    }

    // Copies up to count bytes; returns how many were there.
    size_t read(uint8_t* destination, size_t count);

    // Discards up to count bytes; returns how many were there.
    size_t skip(size_t count);

    // Moves to a position, as fseek with SEEK_SET or SEEK_END.
    bool seek(long offset, int origin = SEEK_SET);

    bool atEnd() { return pos_ == end_ && !refill(); }

private:
    bool refill();

    static constexpr size_t kSize = 64 * 1024;
    FILE* stream_;
    size_t pos_ = 0;
    size_t end_ = 0;
    bool eof_ = false;
    uint8_t buffer_[kSize];
};
