// The common pairs of the jis and cp932 kernel (kJisCommonPairs) recast as 16-entry tables, for
// kernels with a byte shuffle: one lookup per byte as a lead, two as a trail, and a pair is
// common when
//     lead[high nibble of l][low nibble of l] & trailHigh[t >> 4] & trailLow[t & 15]
// is not zero. The leads span three high nibbles (8, 9 and E), too many lead bytes for
// pair_classes.h, so each has a table of its own; a class bit stands for a set of trail bytes,
// a row of one high nibble or part of one, and no bit holds 0x7F.
#pragma once

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

}  // namespace kernels
