// Short texts, shorter than a kernel's block: confirmed a character at a time through one bit per
// byte and one bit per double-byte pair, compiled from the ranges the kernels use. Fields of a
// record are mostly this short, and a table lookup costs less than the literal scan's tests.
#include <array>
#include <cstdint>

#include "kernels.h"

namespace kernels {

namespace {

struct Bits {
    std::array<std::uint64_t, 4> bytes{};
    std::array<std::uint64_t, 1024> pairs{};  // lead << 8 | trail; empty in single-byte checks
};

constexpr Bits Compile(Acceptance acceptance) {
    Bits bits;
    for (const auto ranges : {acceptance.bytes, acceptance.rareBytes}) {
        for (const ByteRange r : ranges) {
            for (unsigned b = r.first; b <= r.last; ++b) bits.bytes[b >> 6] |= 1ULL << (b & 63);
        }
    }
    for (const auto ranges : {acceptance.common, acceptance.rare}) {
        for (const PairRange r : ranges) {
            for (unsigned p = r.first; p <= r.last; ++p) bits.pairs[p >> 6] |= 1ULL << (p & 63);
        }
    }
    return bits;
}

// Per check, without and with symbols.
constexpr auto kBits = [] {
    std::array<std::array<Bits, 2>, kCheckCount> all{};
    for (int c = 0; c < kCheckCount; ++c) {
        for (const bool symbols : {false, true}) {
            all[c][symbols] = Compile(AcceptanceOf(static_cast<Check>(c), symbols));
        }
    }
    return all;
}();

}  // namespace

std::size_t ConfirmedShort(Check check, std::string_view text, int symbolsAllowed) {
    const Bits& bits = kBits[static_cast<int>(check)][symbolsAllowed ? 1 : 0];
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    std::size_t i = 0;
    if (IsDoubleByte(check)) {
        // An accepted pair always starts with a lead byte, so i stays on character starts.
        for (; i + 1 < n; i += 2) {
            const unsigned pair = static_cast<unsigned>(p[i]) << 8 | p[i + 1];
            if (!(bits.pairs[pair >> 6] >> (pair & 63) & 1)) break;
        }
    } else {
        // No lead byte is in a single-byte check's set.
        while (i < n && bits.bytes[p[i] >> 6] >> (p[i] & 63) & 1) ++i;
    }
    return i;
}

}  // namespace kernels
