#include "image/ByteSource.h"

#include <cstring>

ByteSource::ByteSource(FILE* stream) : stream_(stream) {}

bool ByteSource::refill() {
    if (eof_) return false;
    pos_ = 0;
    end_ = std::fread(buffer_, 1, kSize, stream_);
    if (end_ == 0) {
        eof_ = true;
        return false;
    }
    return true;
}

size_t ByteSource::read(uint8_t* destination, size_t count) {
    size_t done = 0;
    while (done < count) {
        if (pos_ == end_) {
            // Large reads go straight into the destination.
            if (count - done >= kSize && !eof_) {
                pos_ = end_ = 0;
                size_t want = count - done;
                size_t got = std::fread(destination + done, 1, want, stream_);
                done += got;
                if (got < want) eof_ = true;
                return done;
            }
            if (!refill()) break;
        }
        size_t take = end_ - pos_;
        if (take > count - done) take = count - done;
        std::memcpy(destination + done, buffer_ + pos_, take);
        pos_ += take;
        done += take;
    }
    return done;
}

size_t ByteSource::skip(size_t count) {
    size_t done = 0;
    while (done < count) {
        if (pos_ == end_ && !refill()) break;
        size_t take = end_ - pos_;
        if (take > count - done) take = count - done;
        pos_ += take;
        done += take;
    }
    return done;
}

bool ByteSource::seek(long offset, int origin) {
    if (std::fseek(stream_, offset, origin) != 0) return false;
    pos_ = end_ = 0;
    eof_ = false;
    return true;
}
