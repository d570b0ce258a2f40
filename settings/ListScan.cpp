#include "settings/ListScan.h"

#include <cstdint>

#if defined(__x86_64__) || defined(__i386__)
#include <emmintrin.h>
#define VELLUMERE_HAVE_SSE2_PATH 1
#endif

size_t skipPastBytewise(const char* text, char value, size_t wanted, size_t* passed) {
    size_t seen = 0;
    const char* p = text;
    for (; *p; ++p) {
        if (*p == value && ++seen == wanted) {
            ++p;
            break;
        }
    }
    *passed = seen;
    return size_t(p - text);
}

namespace {

#ifdef VELLUMERE_HAVE_SSE2_PATH

constexpr size_t kBlock = 16;
constexpr size_t kBlocksPerChunk = 16;

// Sixteen bytes at a time, from aligned addresses: an aligned load never
// crosses into another page, so reading the whole block that holds the NUL
// is safe even where the text ends before the block does, as in the C
// library's own string functions. Those bytes beyond the NUL are loaded but
// never counted; the address sanitizer cannot tell, hence its exemption.
// Compiled for SSE2 even where the build targets an older processor, and
// used only when the processor has it.
__attribute__((target("sse2"), no_sanitize_address)) size_t skipPastSse2(const char* text, char value, size_t wanted,
                                                                         size_t* passed) {
    size_t seen = 0;
    const char* p = text;
    // Up to the first aligned address one byte at a time.
    for (; reinterpret_cast<uintptr_t>(p) % kBlock != 0; ++p) {
        if (*p == '\0') {
            *passed = seen;
            return size_t(p - text);
        }
        if (*p == value && ++seen == wanted) {
            *passed = seen;
            return size_t(p + 1 - text);
        }
    }
    const __m128i pattern = _mm_set1_epi8(value);
    const __m128i zero = _mm_setzero_si128();
    for (;;) {
        // Count a chunk of whole blocks; a chunk that ends the text or holds
        // the wanted byte is finished one byte at a time.
        __m128i lanes = zero;
        bool endsHere = false;
        for (size_t b = 0; b < kBlocksPerChunk; ++b) {
            __m128i bytes = _mm_load_si128(reinterpret_cast<const __m128i*>(p + b * kBlock));
            if (_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, zero)) != 0) {
                endsHere = true;
                break;
            }
            lanes = _mm_sub_epi8(lanes, _mm_cmpeq_epi8(bytes, pattern));
        }
        __m128i sums = _mm_sad_epu8(lanes, zero);
        size_t inChunk = size_t(_mm_cvtsi128_si32(sums)) + size_t(_mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
        if (endsHere || wanted - seen <= inChunk) break;
        seen += inChunk;
        p += kBlock * kBlocksPerChunk;
    }
    size_t rest = 0;
    size_t offset = skipPastBytewise(p, value, wanted - seen, &rest);
    *passed = seen + rest;
    return size_t(p - text) + offset;
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

size_t skipPast(const char* text, char value, size_t wanted, size_t* passed) {
#ifdef VELLUMERE_HAVE_SSE2_PATH
    static const bool sse2 = processorHasSse2();
    if (sse2) return skipPastSse2(text, value, wanted, passed);
#endif
    return skipPastBytewise(text, value, wanted, passed);
}
