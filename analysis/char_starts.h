// Where characters start inside a 64-byte block, from its lead-byte mask alone.
//
// After any byte that is not a lead byte a new character starts (it is either a single byte or
// the trail of a double-byte character), so boundaries are local: a byte is a trail byte exactly
// when it follows an odd run of lead bytes that began at a character start.
#pragma once

#include <cstdint>

namespace kernels {

// Bit i is set when byte i of the block is a trail byte; `lead` has bit i set for a lead byte.
// On entry `carry` (0 or 1) says that byte 0 is the trail of a character from the block before;
// on return it says the same of the next block's byte 0.
inline std::uint64_t TrailBits(std::uint64_t lead, std::uint64_t& carry) {
    constexpr std::uint64_t kOddBits = 0xAAAAAAAAAAAAAAAAull;
    // A trail byte opens nothing, even when its value is a lead byte.
    const std::uint64_t leads = lead & ~carry;
    const std::uint64_t oddRunStarts = leads & ~(leads << 1) & kOddBits;
    // Adding a run's first bit clears the run and sets the bit after it, so the runs that began
    // on an odd bit fall out of the sum; a run reaching bit 63 carries out of the word.
    std::uint64_t sum = 0;
    const bool carriesOut = __builtin_add_overflow(leads, oddRunStarts, &sum);
    const std::uint64_t oddRuns = leads & ~sum;
    // Behind a run begun on an even bit the trails are the odd bits, behind an odd one the even.
    const std::uint64_t trails = (leads << 1) & (kOddBits ^ (oddRuns << 1));
    const std::uint64_t byteZero = carry;
    carry = carriesOut ? 1 : 0;
    return trails | byteZero;
}

}  // namespace kernels
