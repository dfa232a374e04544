// The pair ranges of a double-byte check recast as three 16-entry tables, for kernels with a byte
// shuffle: three lookups classify 32 characters however many ranges the check has.
//
// A pair of lead byte l and trail byte t is accepted when
//     low[t & 15] & high[t >> 4] & lead[min((l - firstLead) mod 256, leadCount)]
// is not zero. Each class bit stands for one lead byte and one set of trail low nibbles: lead[]
// holds the bits of each lead byte, high[] the bits whose set applies under each trail high
// nibble, low[] the bits whose set holds each low nibble. lead[leadCount] is zero, for every
// byte outside the leads.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>

#include "byte_sets.h"

namespace kernels {

struct PairClasses {
    bool fits = false;  // whether the ranges fit: at most 15 lead bytes in a row, 8 class bits
    std::uint8_t firstLead = 0, leadCount = 0;
    std::array<std::uint8_t, 16> lead{}, high{}, low{};
};

constexpr PairClasses ClassesOf(std::span<const PairRange> ranges) {
    if (ranges.empty()) return {};
    unsigned first = 0xFF, last = 0;
    for (const PairRange& r : ranges) {
        first = std::min(first, static_cast<unsigned>(r.first >> 8));
        last = std::max(last, static_cast<unsigned>(r.last >> 8));
    }
    if (last - first + 1 > 15) return {};
    PairClasses c;
    c.firstLead = static_cast<std::uint8_t>(first);
    c.leadCount = static_cast<std::uint8_t>(last - first + 1);
    std::array<std::uint16_t, 8> sets{};  // the low nibbles of each class bit
    unsigned bits = 0;
    for (unsigned j = 0; j < c.leadCount; ++j) {
        for (unsigned h = 0; h < 16; ++h) {
            std::uint16_t set = 0;
            for (unsigned l = 0; l < 16; ++l) {
                if (InPairRanges(ranges, (first + j) << 8 | h << 4 | l)) set |= 1u << l;
            }
            if (set == 0) continue;
            unsigned bit = 0;
            while (bit < bits && !(sets[bit] == set && (c.lead[j] >> bit & 1))) ++bit;
            if (bit == bits) {
                if (bits == 8) return {};
                sets[bits++] = set;
                c.lead[j] |= 1u << bit;
            }
            c.high[h] |= 1u << bit;
        }
    }
    for (unsigned bit = 0; bit < bits; ++bit) {
        for (unsigned l = 0; l < 16; ++l) {
            if (sets[bit] >> l & 1) c.low[l] |= 1u << bit;
        }
    }
    c.fits = true;
    return c;
}

// Whether the tables accept exactly the pairs of the ranges, computed the way the kernels do:
// each lead byte outside the window must find the zero entry and begin no pair of the ranges,
// and every pair under the window's leads must classify as the ranges say.
constexpr bool Classifies(const PairClasses& c, std::span<const PairRange> ranges) {
    if (c.lead[c.leadCount] != 0) return false;
    for (unsigned lead = 0; lead < 0x100; ++lead) {
        const unsigned index = std::min((lead - c.firstLead) & 0xFFu, unsigned{c.leadCount});
        if (index == c.leadCount) {
            for (const PairRange& r : ranges) {
                if (r.first >> 8 <= lead && lead <= r.last >> 8) return false;
            }
            continue;
        }
        for (unsigned trail = 0; trail < 0x100; ++trail) {
            const bool accepted = (c.low[trail & 15] & c.high[trail >> 4] & c.lead[index]) != 0;
            if (accepted != InPairRanges(ranges, lead << 8 | trail)) return false;
        }
    }
    return true;
}

}  // namespace kernels
