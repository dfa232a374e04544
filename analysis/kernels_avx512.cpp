// AVX-512 kernels for the two that AVX2 leaves furthest behind the memory: the character count
// and the jis kernel, compiled for AVX-512 function by function and run only where the processor
// has it. A 64-byte vector is a block, its byte tests come out as the block's 64-bit masks, and
// the byte permutes of VBMI look a byte up in 128 entries, which classifies every lead byte at
// once where AVX2 needed a lookup per high nibble. The block logic that is scalar (char_starts.h)
// is the same as AVX2's.
#include "kernel_isas.h"

#ifdef KESTRUNE_X86_KERNELS

#include <immintrin.h>

#include <cstdint>

#include "char_starts.h"
#include "jis_classes.h"

namespace kernels::avx512 {

#define KESTRUNE_TARGET \
    __attribute__((target("avx512f,avx512bw,avx512vbmi,avx512bitalg,bmi,bmi2,popcnt,lzcnt")))
#define KESTRUNE_INLINE                                                                      \
    __attribute__((target("avx512f,avx512bw,avx512vbmi,avx512bitalg,bmi,bmi2,popcnt,lzcnt"), \
                   always_inline)) inline

namespace {

constexpr std::size_t kAhead = 2048;  // as kernel_body.h prefetches

KESTRUNE_INLINE __m512i Load(const void* p) {
    return _mm512_loadu_si512(p);
}

// Lead bytes by their top six bits, a bit of one 64-bit word each: the bit shuffle picks, for
// every byte, the bit of the word that its index names. Shifting the 16-bit lanes right by two
// puts a byte's top six bits at the bottom of its own byte, which is all of the index it reads.
constexpr std::uint64_t kLeadsByTopBits = [] {
    std::uint64_t bits = 0;
    for (unsigned top = 0; top < 64; ++top) {
        if (IsWindowLeadByte(top << 2)) bits |= std::uint64_t{1} << top;
    }
    return bits;
}();
static_assert([] {
    for (unsigned b = 0; b < 0x100; ++b) {
        if (IsWindowLeadByte(b) != IsWindowLeadByte(b & 0xFC)) return false;
    }
    return true;
}());

KESTRUNE_INLINE std::uint64_t LeadBits(const char* p) {
    const __m512i leads = _mm512_set1_epi64(static_cast<long long>(kLeadsByTopBits));
    return _mm512_bitshuffle_epi64_mask(leads, _mm512_srli_epi16(Load(p), 2));
}

KESTRUNE_TARGET CountedPrefix Count(std::string_view text) {
    std::uint64_t carry = 0;
    std::size_t i = 0, leadStarts = 0;
    for (; text.size() - i >= kAhead + kBlock; i += kBlock) {
        __builtin_prefetch(text.data() + i + kAhead);
        CountLeadStarts(LeadBits(text.data() + i), carry, leadStarts);
    }
    for (; text.size() - i >= kBlock; i += kBlock) {
        CountLeadStarts(LeadBits(text.data() + i), carry, leadStarts);
    }
    return {i, i + carry, i - leadStarts + carry};
}

// The jis kernel, ConfirmedJis's contract (kernels.h). Per block: the classes of every byte as a
// lead and, from the load one byte on, of the byte after it as a trail; a pair is common where
// they share a bit. Bit 7 of the lead classes marks what no character may start with but a
// common pair: the lead bytes, and 0xA0. Taking 0xA0 for a lead byte in finding the starts
// changes none of them before the first 0xA0 that starts a character, which rejects the block.
struct JisTables {
    // The lead classes of 0x80-0xFF, indexed by the low seven bits; the trail classes of
    // 0x00-0x7F and of 0x80-0xFF, the same way.
    __m512i lead80, leadC0, trail00, trail40, trail80, trailC0;
};

struct JisMasks {
    std::uint64_t leads;     // the lead bytes and 0xA0
    std::uint64_t uncommon;  // those of them that begin no common pair
};

KESTRUNE_INLINE JisMasks JisBlock(const JisTables& t, const char* b) {
    const __m512i v = Load(b), next = Load(b + 1);
    const __m512i leadClasses =
        _mm512_maskz_permutex2var_epi8(_mm512_movepi8_mask(v), t.lead80, v, t.leadC0);
    const __m512i trailClasses = _mm512_mask_blend_epi8(
        _mm512_movepi8_mask(next), _mm512_permutex2var_epi8(t.trail00, next, t.trail40),
        _mm512_permutex2var_epi8(t.trail80, next, t.trailC0));
    const __mmask64 leads = _mm512_movepi8_mask(leadClasses);
    return {leads, _mm512_mask_testn_epi8_mask(leads, leadClasses, trailClasses)};
}

// Whether a block with carry in `carry` is confirmed; if so, moves the carry on.
KESTRUNE_INLINE bool Confirmed(const JisMasks& m, std::uint64_t& carry) {
    const BlockStarts starts = StartsOf(m.leads);
    if (StartsWith(starts, carry) & m.uncommon) return false;
    carry = CarryOut(m.leads, starts, carry);
    return true;
}

KESTRUNE_TARGET std::size_t Jis(std::string_view text) {
    const auto* lead = kJisBytes.lead.data();
    const auto* trail = kJisBytes.trail.data();
    const JisTables t{Load(lead + 0x80),  Load(lead + 0xC0),  Load(trail),
                      Load(trail + 0x40), Load(trail + 0x80), Load(trail + 0xC0)};
    const char* p = text.data();
    std::uint64_t carry = 0;
    std::size_t i = 0;
    // Two blocks a step while the prefetch stays inside the text: the loop's own arithmetic
    // weighs as much as a block's.
    for (; text.size() - i > kAhead + 2 * kBlock; i += 2 * kBlock) {
        __builtin_prefetch(p + i + kAhead);
        __builtin_prefetch(p + i + kAhead + kBlock);
        const JisMasks first = JisBlock(t, p + i), second = JisBlock(t, p + i + kBlock);
        if (!Confirmed(first, carry)) return i + carry;
        if (!Confirmed(second, carry)) return i + kBlock + carry;
    }
    for (; text.size() - i > kBlock; i += kBlock) {
        if (!Confirmed(JisBlock(t, p + i), carry)) return i + carry;
    }
    return i + carry;
}

}  // namespace

CountedPrefix CountPrefix(std::string_view text) {
    return Count(text);
}

std::size_t ConfirmedJis(std::string_view text) {
    return Jis(text);
}

#undef KESTRUNE_TARGET
#undef KESTRUNE_INLINE

}  // namespace kernels::avx512

#endif
