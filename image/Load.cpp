// Format detection: the first twelve bytes against an ordered signature table,
// then the QRT size test. The file name plays no part.
#include "image/ByteOrder.h"
#include "image/RasterImage.h"
#include "platform/Messages.h"

namespace {

using Reader = int (RasterImage::*)(FILE*);

struct Signature {
    char pattern[13];  // '?' matches any byte
    Reader reader;
};

const Signature kSignatures[] = {
    {"\n???????????", &RasterImage::readPcx},
    {"\xFF\xD8\xFF?????????", &RasterImage::readJpeg},
    {"GIF8????????", &RasterImage::readGif},
    {"\x89PNG\r\n\x1A\n????", &RasterImage::readPng},
    {"P6??????????", &RasterImage::readPpmBinary},
    {"P3??????????", &RasterImage::readPpmAscii},
    {"\x59\xA6\x6A\x95????????", &RasterImage::readSunRaster},
};

}  // namespace

bool matchSignature(const char* pattern, const unsigned char* fileBytes) {
    for (int i = 0; i < 12; ++i) {
        const unsigned char want = static_cast<unsigned char>(pattern[i]);
        if (want != '?' && want != fileBytes[i]) return false;
    }
    return true;
}

bool isQrtFile(FILE* stream) {
    const int32_t width = int16_t(readUint16LE(stream));
    const int32_t height = int16_t(readUint16LE(stream));
    std::fseek(stream, 0, SEEK_END);
    const long length = std::ftell(stream);
    std::fseek(stream, 0, SEEK_SET);
    // Width and height are 16-bit, so the record size cannot overflow in 64 bits.
    const int64_t expected = int64_t(height) * (3 * int64_t(width) + 2) + 4;
    return int64_t(length) == expected;
}

int RasterImage::load(FILE* stream, const char* path, const DecodeHint* hint) {
    std::fseek(stream, 0, SEEK_SET);
    unsigned char head[13] = {};
    const size_t got = std::fread(head, 1, 12, stream);
    (void)got;  // positions not read stay zero, which no pattern demands
    std::fseek(stream, 0, SEEK_SET);

    for (const Signature& signature : kSignatures) {
        if (matchSignature(signature.pattern, head)) {
            const Reader jpeg = &RasterImage::readJpeg;
            if (hint != nullptr && signature.reader == jpeg) return readJpeg(stream, *hint);
            return (this->*signature.reader)(stream);
        }
    }
    if (isQrtFile(stream)) return readQrt(stream);

    platform::showMessageWithPath("Unsupported file format for file \"%s\".", path, platform::kErrorCaption,
                                  platform::kMbIconWarning);
    return 0;
}
