// The multi-byte fields of the picture formats, read a byte at a time from a
// ByteSource (the readers) or straight from a stream (format detection, which
// reads a few bytes only). A byte missing at end of file reads as 0xFF.
#pragma once

#include <cstdint>
#include <cstdio>

#include "image/ByteSource.h"

namespace byteorder {

inline uint8_t next(ByteSource& in) {
    return in.byte();
}

// EOF (-1) becomes 0xFF, as ByteSource::byte() gives it.
inline uint8_t next(FILE* stream) {
    return uint8_t(std::fgetc(stream));
}

}  // namespace byteorder

template <typename Source>
uint16_t readUint16LE(Source&& in) {
    const unsigned low = byteorder::next(in);
    const unsigned high = byteorder::next(in);
    return uint16_t(low | (high << 8));
}

template <typename Source>
uint32_t readUint32BE(Source&& in) {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value = (value << 8) | byteorder::next(in);
    return value;
}
