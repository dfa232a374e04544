// The block logic that the SSE2 and AVX2 kernels share. Each includes this file inside its own
// namespace, after defining its vector vocabulary:
//   Vec, kLanes                 the vector type and its width in bytes
//   Load, And, Or, AnyOf, AllSet   unaligned load, bitwise and/or/or-of-all, every byte 0xFF
//   InRange16(w, PairRange)     0xFFFF in each 16-bit lane that lies in the range
//   SwapPairs(v)                each 16-bit lane byte-swapped, so that pairs read lead << 8 | trail
//   AcceptBytes<check, sym>(v)  0xFF in each byte the single-byte check accepts
//   Bits(v), LeadBits(v)        the sign bit of each byte; the lead bytes, as a bit mask
//   EqualBits(v, byte)          the bytes equal to `byte`, as a bit mask
//   KESTRUNE_TARGET, KESTRUNE_INLINE   the function attributes of that instruction set
// It then defines the three entry points of kernel_isas.h.

inline constexpr std::size_t kVectors = kBlock / kLanes;
inline constexpr std::uint64_t kEvenBits = 0x5555555555555555ull;

// The pairs in the common or the rare ranges of a check, the ranges unrolled at compile time so
// that their bounds are constants held outside the block loop.
enum class Part { Common, Rare };

template <Check kCheck, bool kSymbols, Part kPart>
KESTRUNE_INLINE Vec InPart(Vec w) {
    static constexpr Acceptance a = AcceptanceOf(kCheck, kSymbols);
    static constexpr std::span<const PairRange> ranges = kPart == Part::Common ? a.common : a.rare;
    return [w]<std::size_t... k>(std::index_sequence<k...>) KESTRUNE_LAMBDA {
        return AnyOf(InRange16(w, ranges[k])...);
    }
    (std::make_index_sequence<ranges.size()>());
}

// One 64-byte block whose characters all start inside it: whether the check accepts them all.
template <Check kCheck, bool kSymbols>
KESTRUNE_INLINE bool BlockAccepted(const char* p) {
    constexpr Acceptance a = AcceptanceOf(kCheck, kSymbols);
    if constexpr (IsDoubleByte(kCheck)) {
        Vec pairs[kVectors];
        for (std::size_t k = 0; k < kVectors; ++k) pairs[k] = SwapPairs(Load(p + k * kLanes));
        Vec all = InPart<kCheck, kSymbols, Part::Common>(pairs[0]);
        for (std::size_t k = 1; k < kVectors; ++k)
            all = And(all, InPart<kCheck, kSymbols, Part::Common>(pairs[k]));
        if (AllSet(all)) return true;
        if constexpr (a.rare.empty()) {
            return false;
        } else {
            for (std::size_t k = 0; k < kVectors; ++k) {
                const Vec one = Or(InPart<kCheck, kSymbols, Part::Common>(pairs[k]),
                                   InPart<kCheck, kSymbols, Part::Rare>(pairs[k]));
                all = k == 0 ? one : And(all, one);
            }
            return AllSet(all);
        }
    } else {
        Vec all = AcceptBytes<kCheck, kSymbols>(Load(p));
        for (std::size_t k = 1; k < kVectors; ++k) {
            all = And(all, AcceptBytes<kCheck, kSymbols>(Load(p + k * kLanes)));
        }
        return AllSet(all);
    }
}

template <Check kCheck, bool kSymbols>
KESTRUNE_TARGET std::size_t Confirm(std::string_view text) {
    const char* p = text.data();
    std::size_t i = 0;
    // Two blocks per test while both pass: the branch costs more than the second block's work.
    while (text.size() - i >= 2 * kBlock && BlockAccepted<kCheck, kSymbols>(p + i) &
                                                BlockAccepted<kCheck, kSymbols>(p + i + kBlock)) {
        i += 2 * kBlock;
    }
    while (text.size() - i >= kBlock && BlockAccepted<kCheck, kSymbols>(p + i)) i += kBlock;
    return i;
}

// A 64-bit mask of one block from a per-vector mask.
template <typename PerVector>
KESTRUNE_INLINE std::uint64_t BlockBits(const char* p, PerVector bits) {
    std::uint64_t all = 0;
    for (std::size_t k = 0; k < kVectors; ++k) {
        all |= static_cast<std::uint64_t>(bits(Load(p + k * kLanes))) << (k * kLanes);
    }
    return all;
}

KESTRUNE_INLINE std::uint64_t LeadBits64(const char* p) {
    return BlockBits(p, [](Vec v) KESTRUNE_LAMBDA { return LeadBits(v); });
}

KESTRUNE_TARGET CountedPrefix Count(std::string_view text) {
    std::uint64_t carry = 0;
    std::size_t i = 0, count = 0;
    for (; text.size() - i >= kBlock; i += kBlock) {
        const std::uint64_t lead = LeadBits64(text.data() + i);
        if ((lead | carry) == 0) {
            count += kBlock;
        } else {
            count +=
                kBlock - static_cast<std::size_t>(__builtin_popcountll(TrailBits(lead, carry)));
        }
    }
    return {i, i + carry, count};
}

// The positions where a character the check accepts starts, in a block that has a byte after it.
template <Check kCheck, bool kSymbols, bool kRare>
KESTRUNE_INLINE std::uint64_t AcceptedStarts(const char* p) {
    if constexpr (!IsDoubleByte(kCheck)) {
        return BlockBits(
            p, [](Vec v) KESTRUNE_LAMBDA { return Bits(AcceptBytes<kCheck, kSymbols>(v)); });
    } else {
        const auto pairs = [](Vec v) KESTRUNE_LAMBDA {
            const Vec w = SwapPairs(v);
            const Vec common = InPart<kCheck, kSymbols, Part::Common>(w);
            if constexpr (kRare) return Bits(Or(common, InPart<kCheck, kSymbols, Part::Rare>(w)));
            return Bits(common);
        };
        // Pairs starting on even bytes, then those starting on odd ones, read one byte later.
        return (BlockBits(p, pairs) & kEvenBits) | (BlockBits(p + 1, pairs) & kEvenBits) << 1;
    }
}

template <Check kCheck, bool kSymbols>
KESTRUNE_TARGET RecordsPrefix Records(std::string_view text) {
    const char* p = text.data();
    std::uint64_t carry = 0;
    RecordsPrefix confirmed{0, 0};
    for (std::size_t i = 0; text.size() - i > kBlock; i += kBlock) {
        const char* b = p + i;
        const std::uint64_t lf =
            BlockBits(b, [](Vec v) KESTRUNE_LAMBDA { return EqualBits(v, '\n'); });
        const std::uint64_t cr =
            BlockBits(b, [](Vec v) KESTRUNE_LAMBDA { return EqualBits(v, '\r'); });
        const std::uint64_t lfAfter = lf >> 1 | static_cast<std::uint64_t>(b[kBlock] == '\n') << 63;
        const std::uint64_t separators = lf | (cr & lfAfter);
        const std::uint64_t lead = IsDoubleByte(kCheck) ? LeadBits64(b) : 0;
        const std::uint64_t starts = IsDoubleByte(kCheck) ? ~TrailBits(lead, carry) : ~lead;
        if constexpr (kCheck == Check::FullWidth) {
            if (starts & ~(lead | separators)) break;
        } else if (starts & ~(AcceptedStarts<kCheck, kSymbols, false>(b) | separators)) {
            if constexpr (AcceptanceOf(kCheck, kSymbols).rare.empty()) {
                break;
            } else if (starts & ~(AcceptedStarts<kCheck, kSymbols, true>(b) | separators)) {
                break;
            }
        }
        if (lf != 0) {
            confirmed.end = i + kBlock - static_cast<std::size_t>(__builtin_clzll(lf));
            confirmed.records += static_cast<std::size_t>(__builtin_popcountll(lf));
        }
    }
    return confirmed;
}

// Entry points: the check and the symbol flag chosen at run time, the rest fixed per instance.
template <typename Fn, template <Check, bool> typename Instance, std::size_t... kChecks>
constexpr std::array<Fn, 2 * kCheckCount> InstanceTable(std::index_sequence<kChecks...>) {
    return {Instance<static_cast<Check>(kChecks), false>::fn...,
            Instance<static_cast<Check>(kChecks), true>::fn...};
}

template <Check kCheck, bool kSymbols>
struct ConfirmInstance {
    static constexpr auto fn = &Confirm<kCheck, kSymbols>;
};
template <Check kCheck, bool kSymbols>
struct RecordsInstance {
    static constexpr auto fn = &Records<kCheck, kSymbols>;
};

inline std::size_t InstanceIndex(Check check, int symbolsAllowed) {
    return static_cast<std::size_t>(check) + (symbolsAllowed != 0 ? kCheckCount : 0);
}

std::size_t ConfirmedPrefix(Check check, std::string_view text, int symbolsAllowed) {
    static constexpr auto table = InstanceTable<std::size_t (*)(std::string_view), ConfirmInstance>(
        std::make_index_sequence<kCheckCount>());
    return table[InstanceIndex(check, symbolsAllowed)](text);
}

CountedPrefix CountPrefix(std::string_view text) {
    return Count(text);
}

RecordsPrefix ConfirmedRecords(Check check, std::string_view text, int symbolsAllowed) {
    static constexpr auto table =
        InstanceTable<RecordsPrefix (*)(std::string_view), RecordsInstance>(
            std::make_index_sequence<kCheckCount>());
    return table[InstanceIndex(check, symbolsAllowed)](text);
}
