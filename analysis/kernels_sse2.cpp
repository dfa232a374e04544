// SSE2 kernels: every x86-64 processor has the instructions, so this is the floor of the fast
// paths. SSE2 has no byte shuffle and no unsigned compare; ranges are biased signed compares.
#include "kernel_isas.h"

#ifdef KESTRUNE_X86_KERNELS

#include <emmintrin.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <span>
#include <utility>

#include "char_starts.h"

namespace kernels::sse2 {

#define KESTRUNE_TARGET
#define KESTRUNE_INLINE [[gnu::always_inline]] inline
#define KESTRUNE_LAMBDA

using Vec = __m128i;
inline constexpr std::size_t kLanes = 16;

KESTRUNE_INLINE Vec Load(const char* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
KESTRUNE_INLINE Vec And(Vec a, Vec b) {
    return _mm_and_si128(a, b);
}
KESTRUNE_INLINE Vec Or(Vec a, Vec b) {
    return _mm_or_si128(a, b);
}
template <typename... More>
KESTRUNE_INLINE Vec AnyOf(Vec first, More... more) {
    ((first = Or(first, more)), ...);
    return first;
}
KESTRUNE_INLINE std::uint32_t Bits(Vec v) {
    return static_cast<std::uint32_t>(_mm_movemask_epi8(v));
}
KESTRUNE_INLINE bool AllSet(Vec v) {
    return Bits(v) == 0xFFFF;
}

// Shifted so that the range's first value becomes the smallest signed one: the range is then
// everything below one signed bound.
KESTRUNE_INLINE Vec InRange8(Vec v, ByteRange r) {
    const Vec shifted = _mm_add_epi8(v, _mm_set1_epi8(static_cast<char>(0x80 - r.first)));
    return _mm_cmplt_epi8(shifted, _mm_set1_epi8(static_cast<char>(0x80 + (r.last - r.first) + 1)));
}
KESTRUNE_INLINE Vec InRange16(Vec w, PairRange r) {
    const Vec shifted = _mm_add_epi16(w, _mm_set1_epi16(static_cast<short>(0x8000 - r.first)));
    return _mm_cmplt_epi16(shifted,
                           _mm_set1_epi16(static_cast<short>(0x8000 + (r.last - r.first) + 1)));
}
KESTRUNE_INLINE Vec SwapPairs(Vec v) {
    return _mm_or_si128(_mm_slli_epi16(v, 8), _mm_srli_epi16(v, 8));
}

// Lead bytes are 100xxxxx and 111xxxxx: the top bit set and the next two equal.
constexpr bool LeadsByTopBits() {
    for (unsigned b = 0; b < 0x100; ++b) {
        const bool topBitsSay = (b & 0x80) && ((b >> 6 & 1) == (b >> 5 & 1));
        if (topBitsSay != IsWindowLeadByte(b)) return false;
    }
    return true;
}
static_assert(LeadsByTopBits());
KESTRUNE_INLINE std::uint32_t LeadBits(Vec v) {
    const Vec second = _mm_add_epi8(v, v);           // bit 6 moved to the top
    const Vec third = _mm_add_epi8(second, second);  // bit 5 moved to the top
    return Bits(_mm_andnot_si128(_mm_xor_si128(second, third), v));
}
KESTRUNE_INLINE std::uint32_t EqualBits(Vec v, char byte) {
    return Bits(_mm_cmpeq_epi8(v, _mm_set1_epi8(byte)));
}

#include "kernel_body.h"

// The UTF-8 kernel looks its accepted bits up with a byte shuffle, which SSE2 lacks.
RecordsPrefix ConfirmedUtf8Records(const Utf8Block& block, std::string_view records) {
    return scalar::ConfirmedUtf8Records(block, records);
}

}  // namespace kernels::sse2

#endif
