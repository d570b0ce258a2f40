#include "settings/ByteCount.h"

#include <cstdint>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <emmintrin.h>
#define VELLUMERE_HAVE_SSE2_PATH 1
#endif

// A machine word at a time: each byte lane that equals value yields 1 in
// an accumulator of four byte lanes, summed before a lane can overflow.
size_t countByteByWords(const char* text, size_t length, char value) {
    const uint32_t lowBits = 0x7F7F7F7Fu;
    const uint32_t pattern = 0x01010101u * static_cast<unsigned char>(value);
    size_t count = 0;
    size_t i = 0;
    while (length - i >= sizeof(uint32_t)) {
        size_t words = (length - i) / sizeof(uint32_t);
        if (words > 255) words = 255;
        uint32_t lanes = 0;
        for (size_t w = 0; w < words; ++w, i += sizeof(uint32_t)) {
            uint32_t x;
            std::memcpy(&x, text + i, sizeof x);
            x ^= pattern;  // a matching byte is now 0
            lanes += ~(((x & lowBits) + lowBits) | x | lowBits) >> 7;
        }
        lanes = (lanes & 0x00FF00FFu) + ((lanes >> 8) & 0x00FF00FFu);
        count += (lanes & 0xFFFFu) + (lanes >> 16);
    }
    for (; i < length; ++i) count += text[i] == value;
    return count;
}

namespace {

#ifdef VELLUMERE_HAVE_SSE2_PATH
// Sixteen bytes at a time. Compiled for SSE2 even where the build targets
// an older processor; used only when the processor has it.
__attribute__((target("sse2"))) size_t countBySse2(const char* text, size_t length, char value) {
    const __m128i pattern = _mm_set1_epi8(value);
    const __m128i zero = _mm_setzero_si128();
    size_t count = 0;
    size_t i = 0;
    while (length - i >= 16) {
        size_t blocks = (length - i) / 16;
        if (blocks > 255) blocks = 255;  // a byte lane counts at most 255
        __m128i lanes = zero;
        for (size_t b = 0; b < blocks; ++b, i += 16) {
            __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
            lanes = _mm_sub_epi8(lanes, _mm_cmpeq_epi8(bytes, pattern));
        }
        __m128i sums = _mm_sad_epu8(lanes, zero);
        count += size_t(_mm_cvtsi128_si32(sums)) + size_t(_mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
    }
    for (; i < length; ++i) count += text[i] == value;
    return count;
}

bool processorHasSse2() {
#if defined(__x86_64__)
    return true;
#else
    __builtin_cpu_init();
    return __builtin_cpu_supports("sse2");
#endif
}
#endif

}  // namespace

size_t countByte(const char* text, size_t length, char value) {
#ifdef VELLUMERE_HAVE_SSE2_PATH
    static const bool sse2 = processorHasSse2();
    if (sse2) return countBySse2(text, length, value);
#endif
    return countByteByWords(text, length, value);
}
