// Building GIF files in memory for the reader tests: a textbook LZW encoder
// (written from the format's description, independent of the reader's
// decoder), code packing and data sub-blocks.
#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace giftest {

using Bytes = std::vector<unsigned char>;

// One code and the width it is written with.
struct Code {
    int value;
    int size;
};

// Packs codes least significant bit first.
inline Bytes packCodes(const std::vector<Code>& codes) {
    Bytes out;
    uint32_t buffer = 0;
    int bits = 0;
    for (const Code& code : codes) {
        buffer |= uint32_t(code.value) << bits;
        for (bits += code.size; bits >= 8; bits -= 8, buffer >>= 8) out.push_back(uint8_t(buffer & 0xFF));
    }
    if (bits > 0) out.push_back(uint8_t(buffer & 0xFF));
    return out;
}

// Sub-blocks of at most blockSize bytes and the zero-count block that ends them.
inline Bytes subBlocks(const Bytes& data, size_t blockSize = 255) {
    Bytes out;
    for (size_t i = 0; i < data.size(); i += blockSize) {
        const size_t n = std::min(blockSize, data.size() - i);
        out.push_back(uint8_t(n));
        out.insert(out.end(), data.begin() + long(i), data.begin() + long(i + n));
    }
    out.push_back(0);
    return out;
}

struct EncoderOptions {
    bool clearFirst = true;     // start the stream with a clear code
    bool clearWhenFull = true;  // otherwise keep going with a frozen table
};

// Encodes pixels (each below 2^minimumCodeSize) as codes whose widths follow
// the decoder's side: after each code but the first of a table the decoder
// adds one entry, and the width grows once its next free entry reaches
// 2^width, up to 12 bits. Ends with the end code.
inline std::vector<Code> lzwEncode(const std::vector<int>& pixels, int minimumCodeSize, EncoderOptions options = {}) {
    const int clear = 1 << minimumCodeSize;
    std::vector<Code> codes;
    std::map<std::pair<int, int>, int> table;  // (prefix code, pixel) -> code
    int size = 0, next = 0, encoderNext = 0;   // next: the decoder's next free entry
    bool firstOfTable = true;
    auto reset = [&]() {
        table.clear();
        size = minimumCodeSize + 1;
        next = encoderNext = clear + 2;
        firstOfTable = true;
    };
    auto emit = [&](int code) {
        codes.push_back({code, size});
        if (!firstOfTable && next < 4096 && ++next >= (1 << size) && size < 12) ++size;
        firstOfTable = false;
    };
    reset();
    if (options.clearFirst) codes.push_back({clear, size});
    int current = -1;
    for (int pixel : pixels) {
        auto found = table.find({current, pixel});
        if (current < 0 || found != table.end()) {
            current = current < 0 ? pixel : found->second;
            continue;
        }
        emit(current);
        if (encoderNext < 4096) {
            table[{current, pixel}] = encoderNext++;
        } else if (options.clearWhenFull) {
            codes.push_back({clear, size});
            reset();
        }
        current = pixel;
    }
    if (current >= 0) emit(current);
    codes.push_back({clear + 1, size});
    return codes;
}

inline Bytes dataOf(const std::vector<Code>& codes, size_t blockSize = 255) {
    return subBlocks(packCodes(codes), blockSize);
}

// A GIF file put together piece by piece.
class GifFile {
public:
    GifFile(int width, int height, int packed, int background, const Bytes& globalTable = {}) {
        append("GIF89a").word(width).word(height).byte(packed).byte(background).byte(0).append(globalTable);
    }

    GifFile& append(const std::string& text) { return append(Bytes(text.begin(), text.end())); }
    GifFile& append(const Bytes& more) {
        bytes_.insert(bytes_.end(), more.begin(), more.end());
        return *this;
    }

    // An image descriptor (with its local table when given) and its data.
    GifFile& image(int width, int height, int packed, const Bytes& localTable, int minimumCodeSize, const Bytes& blocks,
                   int left = 0, int top = 0) {
        byte(0x2C).word(left).word(top).word(width).word(height).byte(packed).append(localTable);
        return byte(minimumCodeSize).append(blocks);
    }

    // An image whose pixels are encoded with the test encoder.
    GifFile& image(int width, int height, const std::vector<int>& pixels, int minimumCodeSize, int packed = 0,
                   const Bytes& localTable = {}) {
        return image(width, height, packed, localTable, minimumCodeSize, dataOf(lzwEncode(pixels, minimumCodeSize)));
    }

    GifFile& trailer() { return byte(0x3B); }
    const Bytes& bytes() const { return bytes_; }

private:
    GifFile& byte(int value) { return append(Bytes{uint8_t(value)}); }
    GifFile& word(int value) { return append(Bytes{uint8_t(value & 0xFF), uint8_t((value >> 8) & 0xFF)}); }
    Bytes bytes_;
};

// A colour table of n entries, entry i being (r0 + i, g0 + i, b0 + i).
inline Bytes colourTable(int entries, int r0 = 10, int g0 = 20, int b0 = 30) {
    Bytes table;
    for (int i = 0; i < entries; ++i) table.insert(table.end(), {uint8_t(r0 + i), uint8_t(g0 + i), uint8_t(b0 + i)});
    return table;
}

// Deterministic pseudo-random pixels below `colours`.
inline std::vector<int> noisePixels(size_t count, int colours, uint32_t seed = 12345) {
    std::vector<int> pixels(count);
    for (auto& p : pixels) {
        seed = seed * 1103515245u + 12345u;
        p = int((seed >> 16) % uint32_t(colours));
    }
    return pixels;
}

}  // namespace giftest
