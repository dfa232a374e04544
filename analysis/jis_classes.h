// The common pairs of the jis and cp932 kernel (kJisCommonPairs) recast as 16-entry tables, for
// kernels with a byte shuffle: one lookup per byte as a lead, two as a trail, and a pair is
// common when
//     lead[high nibble of l][low nibble of l] & trailHigh[t >> 4] & trailLow[t & 15]
// is not zero. The leads span three high nibbles (8, 9 and E), too many lead bytes for
// pair_classes.h, so each has a table of its own; a class bit stands for a set of trail bytes,
// a row of one high nibble or part of one, and no bit holds 0x7F.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>

#include "byte_sets.h"
#include "pair_classes.h"

namespace kernels {

struct JisClasses {
    std::array<std::uint8_t, 16> lead8, lead9, leadE, trailHigh, trailLow;
};

inline constexpr JisClasses kJisClasses = [] {
    // The trail bytes of each class bit.
    constexpr std::uint8_t k40To6F = 1 << 0, k70To7E = 1 << 1, k80To8F = 1 << 2, k90To96 = 1 << 3,
                           k97To9F = 1 << 4, kA0ToEF = 1 << 5, kF0ToF1 = 1 << 6, kF2ToFC = 1 << 7,
                           kAll = 0xFF;
    constexpr std::uint8_t k40To96 = k40To6F | k70To7E | k80To8F | k90To96;
    JisClasses c{};
    for (int lo = 0x9; lo <= 0xF; ++lo) c.lead8[lo] = kAll;
    c.lead9.fill(kAll);
    for (int lo = 0x0; lo <= 0x9; ++lo) c.leadE[lo] = kAll;
    c.lead8[0x1] = c.lead8[0x3] = k40To96;                 // symbols, katakana
    c.lead8[0x2] = kA0ToEF | kF0ToF1;                      // hiragana
    c.lead8[0x8] = kA0ToEF | kF0ToF1 | kF2ToFC;            // level 1 from 唖
    c.lead9[0x8] = k40To6F | kA0ToEF | kF0ToF1 | kF2ToFC;  // the ends of levels 1 and 2
    c.leadE[0xA] = k40To96 | k97To9F;                      // the start of level 2's last row
    for (int hi = 0x4; hi <= 0x6; ++hi) c.trailHigh[hi] = k40To6F;
    c.trailHigh[0x7] = k70To7E;
    c.trailHigh[0x8] = k80To8F;
    c.trailHigh[0x9] = k90To96 | k97To9F;
    for (int hi = 0xA; hi <= 0xE; ++hi) c.trailHigh[hi] = kA0ToEF;
    c.trailHigh[0xF] = kF0ToF1 | kF2ToFC;
    for (int lo = 0; lo < 16; ++lo) {
        c.trailLow[lo] = k40To6F | k80To8F | kA0ToEF | (lo <= 0xE ? k70To7E : 0) |
                         (lo <= 0x6 ? k90To96 : k97To9F) | (lo <= 0x1 ? kF0ToF1 : 0) |
                         (0x2 <= lo && lo <= 0xC ? kF2ToFC : 0);
    }
    return c;
}();

// Whether the tables find exactly the common pairs whose trail is a trail byte, under the lead
// bytes of one high nibble (0xA0-0xDF, inside the level 2 range, start no pair). One nibble per
// assertion keeps each within clang's limit on the steps of a constant expression.
constexpr bool ClassifiesJis(const JisClasses& c, unsigned high) {
    for (unsigned lead = high << 4; lead < (high + 1) << 4; ++lead) {
        const std::uint8_t leadBits = high == 0x8   ? c.lead8[lead & 15]
                                      : high == 0x9 ? c.lead9[lead & 15]
                                      : high == 0xE ? c.leadE[lead & 15]
                                                    : 0;
        for (unsigned trail = 0; trail < 0x100; ++trail) {
            const bool found = (leadBits & c.trailHigh[trail >> 4] & c.trailLow[trail & 15]) != 0;
            if (found !=
                (IsCp932TrailByte(trail) && InPairRanges(kJisCommonPairs, lead << 8 | trail)))
                return false;
        }
    }
    return true;
}
static_assert(ClassifiesJis(kJisClasses, 0x8));
static_assert(ClassifiesJis(kJisClasses, 0x9));
static_assert(ClassifiesJis(kJisClasses, 0xE));
static_assert(ClassifiesJis(kJisClasses, 0xF));

// The same pairs as two byte tables, for kernels with a lookup of 128 entries (AVX-512 VBMI):
// a pair is common when lead[l] & trail[t] & 0x7F is not zero. Each of bits 0-6 stands for one of
// the sets of trail bytes that a lead byte takes (the leads with the same set share it); bit 7 of
// lead[] marks the bytes a single byte may not be: the lead bytes and 0xA0.
struct JisBytes {
    std::array<std::uint8_t, 256> lead{}, trail{};
};

inline constexpr JisBytes kJisBytes = [] {
    using Row = std::array<std::uint64_t, 4>;  // a bit per trail byte
    Row trails{};
    for (unsigned b = 0; b < 0x100; ++b) {
        if (IsCp932TrailByte(b)) trails[b >> 6] |= std::uint64_t{1} << (b & 63);
    }
    std::array<Row, 7> sets{};
    unsigned count = 0;
    JisBytes t;
    for (unsigned lead = 0x80; lead < 0x100; ++lead) {
        if (!IsWindowLeadByte(lead)) continue;
        t.lead[lead] = 0x80;
        Row set{};
        for (const PairRange r : kJisCommonPairs) {
            if (lead < r.first >> 8 || lead > r.last >> 8) continue;
            const unsigned first = lead == r.first >> 8 ? r.first & 0xFF : 0;
            const unsigned last = lead == r.last >> 8 ? r.last & 0xFF : 0xFF;
            for (unsigned w = 0; w < 4; ++w) {
                const unsigned from = std::max(first, w * 64), to = std::min(last, w * 64 + 63);
                if (from > to) continue;
                const unsigned n = to - from + 1;
                set[w] |= (n == 64 ? ~std::uint64_t{0} : ((std::uint64_t{1} << n) - 1))
                          << (from & 63);
            }
        }
        for (unsigned w = 0; w < 4; ++w) set[w] &= trails[w];
        if (set == Row{}) continue;
        unsigned bit = 0;
        while (bit < count && sets[bit] != set) ++bit;
        if (bit == count) {
            if (count == 7) throw "more than seven sets of trail bytes";
            sets[count++] = set;
        }
        t.lead[lead] |= static_cast<std::uint8_t>(1u << bit);
    }
    t.lead[0xA0] = 0x80;
    for (unsigned trail = 0; trail < 0x100; ++trail) {
        for (unsigned bit = 0; bit < count; ++bit) {
            if (sets[bit][trail >> 6] >> (trail & 63) & 1) t.trail[trail] |= 1u << bit;
        }
    }
    return t;
}();

// Whether the byte tables find exactly the common pairs with a trail byte under the leads of one
// high nibble, and mark exactly the lead bytes and 0xA0: one nibble per assertion, as above.
constexpr bool ClassifiesJisBytes(const JisBytes& t, unsigned high) {
    for (unsigned lead = high << 4; lead < (high + 1) << 4; ++lead) {
        if ((t.lead[lead] >> 7 == 1) != (IsWindowLeadByte(lead) || lead == 0xA0)) return false;
        for (unsigned trail = 0; trail < 0x100; ++trail) {
            const bool found = (t.lead[lead] & t.trail[trail] & 0x7F) != 0;
            if (found != (IsWindowLeadByte(lead) && IsCp932TrailByte(trail) &&
                          InPairRanges(kJisCommonPairs, lead << 8 | trail)))
                return false;
        }
    }
    return true;
}
static_assert(ClassifiesJisBytes(kJisBytes, 0x8));
static_assert(ClassifiesJisBytes(kJisBytes, 0x9));
static_assert(ClassifiesJisBytes(kJisBytes, 0xA));
static_assert(ClassifiesJisBytes(kJisBytes, 0xE));
static_assert(ClassifiesJisBytes(kJisBytes, 0xF));
static_assert([] {
    for (unsigned b = 0; b < 0x80; ++b) {
        if (kJisBytes.lead[b] != 0) return false;
    }
    return (kJisBytes.trail[0x7F] | kJisBytes.trail[0xFD]) == 0;
}());

}  // namespace kernels
