// AVX2 kernels, compiled for AVX2 function by function and run only where the processor has it:
// 32-byte vectors, and byte shuffles for byte-swapping pairs and for a nibble lookup.
#include "kernel_isas.h"

#ifdef KESTRUNE_X86_KERNELS

#include <immintrin.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <span>
#include <utility>

#include "char_starts.h"
#include "jis_classes.h"
#include "pair_classes.h"

namespace kernels::avx2 {

#define KESTRUNE_TARGET __attribute__((target("avx2,bmi,bmi2,popcnt,lzcnt")))
#define KESTRUNE_INLINE __attribute__((target("avx2,bmi,bmi2,popcnt,lzcnt"), always_inline)) inline
#define KESTRUNE_LAMBDA __attribute__((target("avx2,bmi,bmi2,popcnt,lzcnt"), always_inline))

using Vec = __m256i;
inline constexpr std::size_t kLanes = 32;

KESTRUNE_INLINE Vec Load(const char* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}
KESTRUNE_INLINE Vec And(Vec a, Vec b) {
    return _mm256_and_si256(a, b);
}
KESTRUNE_INLINE Vec Or(Vec a, Vec b) {
    return _mm256_or_si256(a, b);
}
template <typename... More>
KESTRUNE_INLINE Vec AnyOf(Vec first, More... more) {
    ((first = Or(first, more)), ...);
    return first;
}
KESTRUNE_INLINE std::uint32_t Bits(Vec v) {
    return static_cast<std::uint32_t>(_mm256_movemask_epi8(v));
}
KESTRUNE_INLINE bool AllSet(Vec v) {
    return Bits(v) == 0xFFFFFFFFu;
}

// Shifted so that the range's first value becomes the smallest signed one: the range is then
// everything below one signed bound.
KESTRUNE_INLINE Vec InRange8(Vec v, ByteRange r) {
    const Vec shifted = _mm256_add_epi8(v, _mm256_set1_epi8(static_cast<char>(0x80 - r.first)));
    return _mm256_cmpgt_epi8(_mm256_set1_epi8(static_cast<char>(0x80 + (r.last - r.first) + 1)),
                             shifted);
}
KESTRUNE_INLINE Vec InRange16(Vec w, PairRange r) {
    const Vec shifted =
        _mm256_add_epi16(w, _mm256_set1_epi16(static_cast<short>(0x8000 - r.first)));
    return _mm256_cmpgt_epi16(
        _mm256_set1_epi16(static_cast<short>(0x8000 + (r.last - r.first) + 1)), shifted);
}
KESTRUNE_INLINE Vec SwapPairs(Vec v) {
    const Vec swap = _mm256_setr_epi8(1, 0, 3, 2, 5, 4, 7, 6, 9, 8, 11, 10, 13, 12, 15, 14,  //
                                      1, 0, 3, 2, 5, 4, 7, 6, 9, 8, 11, 10, 13, 12, 15, 14);
    return _mm256_shuffle_epi8(v, swap);
}

KESTRUNE_INLINE Vec Nibbles(const std::array<std::uint8_t, 16>& table, Vec index) {
    const Vec row = _mm256_broadcastsi128_si256(
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(table.data())));
    return _mm256_shuffle_epi8(row, index);
}
KESTRUNE_INLINE Vec HighNibbles(Vec v) {
    return _mm256_and_si256(_mm256_srli_epi16(v, 4), _mm256_set1_epi8(0x0F));
}

// Lead bytes are those whose high nibble is 8, 9, E or F: the rule looks at the high nibble
// alone, so a lookup of it finds them.
constexpr bool LeadsByHighNibble() {
    for (unsigned b = 0; b < 0x100; ++b) {
        if (IsWindowLeadByte(b) != IsWindowLeadByte(b & 0xF0)) return false;
    }
    return true;
}
static_assert(LeadsByHighNibble());
inline constexpr std::array<std::uint8_t, 16> kLeadNibbles = [] {
    std::array<std::uint8_t, 16> top{};
    for (unsigned h = 0; h < 16; ++h) top[h] = IsWindowLeadByte(h << 4) ? 0x80 : 0;
    return top;
}();
KESTRUNE_INLINE Vec Leads(Vec v) {
    return Nibbles(kLeadNibbles, HighNibbles(v));
}
KESTRUNE_INLINE std::uint32_t LeadBits(Vec v) {
    return Bits(Leads(v));
}
KESTRUNE_INLINE Vec Equal(Vec v, char byte) {
    return _mm256_cmpeq_epi8(v, _mm256_set1_epi8(byte));
}
KESTRUNE_INLINE std::uint32_t EqualBits(Vec v, char byte) {
    return Bits(Equal(v, byte));
}
// Not a, and b.
KESTRUNE_INLINE Vec AndNot(Vec a, Vec b) {
    return _mm256_andnot_si256(a, b);
}

// For classifying pairs by nibbles: the lead and the trail bytes of the 32 pairs in two vectors,
// each gathered into one vector in the same order, in two shuffles and two unpacks (the packs
// with their masks and shifts took six).
#define KESTRUNE_NIBBLE_LOOKUP 1
KESTRUNE_INLINE Vec GatherPairs(Vec v) {
    const Vec evenThenOdd =
        _mm256_setr_epi8(0, 2, 4, 6, 8, 10, 12, 14, 1, 3, 5, 7, 9, 11, 13, 15,  //
                         0, 2, 4, 6, 8, 10, 12, 14, 1, 3, 5, 7, 9, 11, 13, 15);
    return _mm256_shuffle_epi8(v, evenThenOdd);
}
KESTRUNE_INLINE Vec LowHalves(Vec a, Vec b) {
    return _mm256_unpacklo_epi64(a, b);
}
KESTRUNE_INLINE Vec HighHalves(Vec a, Vec b) {
    return _mm256_unpackhi_epi64(a, b);
}
KESTRUNE_INLINE Vec LowNibbles(Vec v) {
    return _mm256_and_si256(v, _mm256_set1_epi8(0x0F));
}
// (v - first) mod 256, then at most `count`: an index for Nibbles.
KESTRUNE_INLINE Vec OffsetAtMost(Vec v, std::uint8_t first, std::uint8_t count) {
    return _mm256_min_epu8(_mm256_sub_epi8(v, _mm256_set1_epi8(static_cast<char>(first))),
                           _mm256_set1_epi8(static_cast<char>(count)));
}
// The top bit set in each byte that is not zero.
KESTRUNE_INLINE Vec NonZero(Vec v) {
    return _mm256_adds_epu8(v, _mm256_set1_epi8(0x7F));
}
// The bytes of high nibble `high` become indices 0x70-0x7F, whose low nibble the shuffle reads;
// every other byte saturates at 0x80 or above, which the shuffle reads as 0.
KESTRUNE_INLINE Vec NibblesUnder(const std::array<std::uint8_t, 16>& table, Vec v,
                                 std::uint8_t high) {
    const Vec offset = _mm256_sub_epi8(v, _mm256_set1_epi8(static_cast<char>(high << 4)));
    return Nibbles(table, _mm256_adds_epu8(offset, _mm256_set1_epi8(0x70)));
}

#include "kernel_body.h"

// The UTF-8 records kernel, AVX2 alone: its bit lookup needs a byte shuffle. Each 64-byte block
// is read from three offsets (66 bytes), where a character's bytes line up: its first byte at i
// of the first load, its second at i of the second, its third at i of the third.
struct Utf8Masks {
    std::uint64_t accepted, nonAscii, lineFeeds, endsOfLine;
};

KESTRUNE_INLINE Utf8Masks Utf8Classify(const char* p, const Utf8Block& block) {
    // The 32 bytes of bits, in two halves of 16 that a shuffle can index.
    const auto* table = reinterpret_cast<const __m128i*>(block.accepted.data());
    const Vec acceptedLow = _mm256_broadcastsi128_si256(_mm_loadu_si128(table));
    const Vec acceptedHigh = _mm256_broadcastsi128_si256(_mm_loadu_si128(table + 1));
    const Vec bitOf = _mm256_setr_epi8(1, 2, 4, 8, 16, 32, 64, -128, 1, 2, 4, 8, 16, 32, 64, -128,
                                       1, 2, 4, 8, 16, 32, 64, -128, 1, 2, 4, 8, 16, 32, 64, -128);
    const Vec leadByte = _mm256_set1_epi8(static_cast<char>(block.lead));
    const Vec secondByte = _mm256_set1_epi8(static_cast<char>(block.second));
    Utf8Masks m{0, 0, 0, 0};
    for (std::size_t h = 0; h < kBlock; h += kLanes) {
        const Vec b0 = Load(p + h), b1 = Load(p + h + 1), b2 = Load(p + h + 2);
        // The code point's place in the block: the low two bits of the second byte and the
        // low six of the third.
        const Vec index =
            Or(And(_mm256_slli_epi16(b1, 6), _mm256_set1_epi8(static_cast<char>(0xC0))),
               And(b2, _mm256_set1_epi8(0x3F)));
        const Vec byteOf = And(_mm256_srli_epi16(index, 3), _mm256_set1_epi8(0x1F));
        // Bit 4 of byteOf, moved to bit 7, picks the half.
        const Vec bits = _mm256_blendv_epi8(_mm256_shuffle_epi8(acceptedLow, byteOf),
                                            _mm256_shuffle_epi8(acceptedHigh, byteOf),
                                            _mm256_slli_epi16(byteOf, 3));
        const Vec bit = _mm256_shuffle_epi8(bitOf, And(index, _mm256_set1_epi8(7)));
        const Vec inBlock =
            And(_mm256_cmpeq_epi8(b0, leadByte),
                _mm256_cmpeq_epi8(And(b1, _mm256_set1_epi8(static_cast<char>(0xFC))), secondByte));
        const Vec third = _mm256_cmpeq_epi8(And(b2, _mm256_set1_epi8(static_cast<char>(0xC0))),
                                            _mm256_set1_epi8(static_cast<char>(0x80)));
        const Vec ok = And(And(inBlock, third), _mm256_cmpeq_epi8(And(bits, bit), bit));
        const Vec lineFeed = Equal(b0, '\n');
        // A CR ends a line only right before an LF.
        const Vec endOfLine = Or(lineFeed, And(Equal(b0, '\r'), Equal(b1, '\n')));
        m.accepted |= std::uint64_t{Bits(ok)} << h;
        m.nonAscii |= std::uint64_t{Bits(b0)} << h;
        m.lineFeeds |= std::uint64_t{Bits(lineFeed)} << h;
        m.endsOfLine |= std::uint64_t{Bits(endOfLine)} << h;
    }
    return m;
}

// The records of whole blocks, while a block and the two bytes its loads read past it remain.
KESTRUNE_TARGET RecordsPrefix Utf8Records(const Utf8Block& block, std::string_view records) {
    const char* p = records.data();
    const std::size_t n = records.size();
    RecordsPrefix confirmed{0, 0};
    std::size_t at = 0;
    while (n - at >= kBlock + 2) {
        const Utf8Masks m = Utf8Classify(p + at, block);
        // Every non-ASCII byte belongs to an accepted character, every other byte ends a line.
        const std::uint64_t covered = m.accepted | m.accepted << 1 | m.accepted << 2;
        const std::uint64_t bad = (m.nonAscii & ~covered) | (~m.nonAscii & ~m.endsOfLine);
        // A character the block cuts is taken with the next block.
        const std::uint64_t cut = m.accepted >> 62;
        const unsigned length = cut & 2 ? 63 : cut & 1 ? 62 : 64;
        const std::uint64_t before =
            length == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << length) - 1;
        const std::uint64_t stop = bad & before;
        const std::uint64_t upTo = stop ? (stop & -stop) - 1 : before;
        const std::uint64_t lineFeeds = m.lineFeeds & upTo;
        if (lineFeeds) {
            confirmed.end = at + 64 - static_cast<std::size_t>(__builtin_clzll(lineFeeds));
            confirmed.records += static_cast<std::size_t>(__builtin_popcountll(lineFeeds));
        }
        if (stop) return confirmed;
        at += length;
    }
    return confirmed;
}

RecordsPrefix ConfirmedUtf8Records(const Utf8Block& block, std::string_view records) {
    const RecordsPrefix fast = Utf8Records(block, records);
    // Where the blocks ran out or stopped, on a character at a time from the last LF they
    // passed: a stop is found again there.
    const RecordsPrefix rest = scalar::ConfirmedUtf8Records(block, records.substr(fast.end));
    return {fast.end + rest.end, fast.records + rest.records};
}

}  // namespace kernels::avx2

#endif
