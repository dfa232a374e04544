// Where three given bytes stand in a block of 64, a bit each: the structure of a CSV record
// found a block at a time. SSE2 is part of every x86-64 processor, so it needs no probe and
// stays inline in the reader's loop; elsewhere a byte loop does the same.
#pragma once

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kernels {

struct ByteMasks {
    std::uint64_t a, b, c;  // bit k: byte k of the block is the byte asked for
};

inline ByteMasks MatchBytes64(const unsigned char* p, unsigned char a, unsigned char b,
                              unsigned char c) {
    ByteMasks m{0, 0, 0};
#if defined(__SSE2__)
    const __m128i va = _mm_set1_epi8(static_cast<char>(a));
    const __m128i vb = _mm_set1_epi8(static_cast<char>(b));
    const __m128i vc = _mm_set1_epi8(static_cast<char>(c));
    for (int k = 0; k < 4; ++k) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
        const auto bits = [&](__m128i x) {
            return static_cast<std::uint64_t>(
                       static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, x))))
                   << (16 * k);
        };
        m.a |= bits(va);
        m.b |= bits(vb);
        m.c |= bits(vc);
    }
#else
    for (unsigned k = 0; k < 64; ++k) {
        const std::uint64_t bit = std::uint64_t{1} << k;
        if (p[k] == a) m.a |= bit;
        if (p[k] == b) m.b |= bit;
        if (p[k] == c) m.c |= bit;
    }
#endif
    return m;
}

}  // namespace kernels
