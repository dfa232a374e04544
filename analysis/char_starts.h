// Where characters start inside a 64-byte block, from its lead-byte mask alone.
//
// After any byte that is not a lead byte a new character starts (it is either a single byte or
// the trail of a double-byte character), so boundaries are local: a byte is a trail byte exactly
// when it follows an odd run of lead bytes that began at a character start.
#pragma once

#include <bit>
#include <cstddef>
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

// The same, for loops that must not wait on the carry: what holds of a block whatever its carry,
// worked out as though byte 0 started a character, and applied to the carry after.
//
// Byte 0 a trail instead changes only the run of lead bytes at byte 0 and the byte after it: the
// starts among them are the other half (the odd bits rather than the even). After that byte both
// agree, and so does what carries out of the block, unless the run fills it, when the carry in
// passes through.
struct BlockStarts {
    std::uint64_t starts;      // the character starts, when byte 0 starts one
    std::uint64_t swapped;     // the bits whose start or not turns over when byte 0 is a trail
    std::uint64_t carriesOut;  // the next block's byte 0 is a trail, when byte 0 starts one
};

inline BlockStarts StartsOf(std::uint64_t lead) {
    std::uint64_t carry = 0;
    const std::uint64_t trails = TrailBits(lead, carry);
    return {~trails, lead ^ (lead + 1), carry};
}

// The carry out of a block from its carry in (0 or 1).
inline std::uint64_t CarryOut(std::uint64_t lead, const BlockStarts& b, std::uint64_t carry) {
    return lead == ~std::uint64_t{0} ? carry : b.carriesOut;
}

// The character starts of a block with its carry in (0 or 1).
inline std::uint64_t StartsWith(const BlockStarts& b, std::uint64_t carry) {
    return b.starts ^ (b.swapped & (0 - carry));
}

// For counting characters: adds the lead bytes of a block that start characters to `leadStarts`
// and moves `carry` on. Each block is counted as though its byte 0 started a character, so that
// the carry is no link in a chain through the block's arithmetic (which held the loop to its
// latency): when byte 0 is a trail instead, the run at byte 0 holds one lead start fewer where its
// length is odd. The characters are the bytes less the trails, and a block's trails are its lead
// starts less the one whose trail crosses its end plus the one from the block before: over a run
// of blocks the crossings cancel but for the last, so the count is bytes - leadStarts + carry.
inline void CountLeadStarts(std::uint64_t lead, std::uint64_t& carry, std::size_t& leadStarts) {
    constexpr std::uint64_t kOddBits = 0xAAAAAAAAAAAAAAAAull;
    // Adding the first bit of each run begun on an odd bit clears that run (see TrailBits), so
    // what remains of the runs in the sum is those begun on an even bit; their starts are the even
    // bits, those of the others the odd ones.
    std::uint64_t sum = 0;
    const bool carriesOut = __builtin_add_overflow(lead, lead & ~(lead << 1) & kOddBits, &sum);
    const auto starts = static_cast<std::size_t>(__builtin_popcountll(lead & (sum ^ kOddBits)));
    const auto runAtZero = static_cast<std::size_t>(std::countr_one(lead));
    leadStarts += starts - (carry & runAtZero);
    carry = lead == ~std::uint64_t{0} ? carry : std::uint64_t{carriesOut};
}

}  // namespace kernels
