// The block logic that the SSE2 and AVX2 kernels share. Each includes this file inside its own
// namespace, after defining its vector vocabulary:
//   Vec, kLanes                 the vector type and its width in bytes
//   Load, And, Or, AnyOf, AllSet   unaligned load, bitwise and/or/or-of-all, every top bit set
//   InRange8(v, ByteRange)      0xFF in each byte that lies in the range
//   InRange16(w, PairRange)     0xFFFF in each 16-bit lane that lies in the range
//   SwapPairs(v)                each 16-bit lane byte-swapped, so that pairs read lead << 8 | trail
//   Bits(v), LeadBits(v)        the sign bit of each byte; the lead bytes, as a bit mask
//   EqualBits(v, byte)          the bytes equal to `byte`, as a bit mask
//   KESTRUNE_TARGET, KESTRUNE_INLINE   the function attributes of that instruction set
// and, where it has a byte shuffle, KESTRUNE_NIBBLE_LOOKUP with
//   Nibbles(table, v), LowNibbles(v), HighNibbles(v)   16-entry table lookups, their indices
//   GatherPairs(v)                    the even bytes of each 16, then the odd ones
//   LowHalves(a, b), HighHalves(a, b) the low, the high 8 bytes of each 16 of a, then of b
//   OffsetAtMost(v, first, count)     min((v - first) mod 256, count) in each byte
//   NonZero(v)                        the top bit set in each byte that is not zero
//   NibblesUnder(table, v, high)      table[low nibble] in the bytes of high nibble `high`, else 0
//   Leads(v), Equal(v, byte), AndNot(a, b)   the masks of LeadBits and EqualBits as vectors; ~a & b
// It then defines the entry points of kernel_isas.h, all but ConfirmedUtf8Records, which each
// file defines after it (AVX2 alone has a vector form).

inline constexpr std::size_t kVectors = kBlock / kLanes;
inline constexpr std::uint64_t kEvenBits = 0x5555555555555555ull;

// 0xFF in each byte, or in each 16-bit lane of pairs, that the common or the rare ranges of a
// check accept. The ranges are unrolled at compile time so that their bounds are constants held
// outside the block loop.
enum class Part { Common, Rare };

template <Check kCheck, bool kSymbols, Part kPart>
KESTRUNE_INLINE Vec InPart(Vec v) {
    static constexpr Acceptance a = AcceptanceOf(kCheck, kSymbols);
    if constexpr (IsDoubleByte(kCheck)) {
        static constexpr std::span<const PairRange> ranges =
            kPart == Part::Common ? a.common : a.rare;
        return [v]<std::size_t... k>(std::index_sequence<k...>) KESTRUNE_LAMBDA {
            return AnyOf(InRange16(v, ranges[k])...);
        }
        (std::make_index_sequence<ranges.size()>());
    } else {
        static constexpr std::span<const ByteRange> ranges =
            kPart == Part::Common ? a.bytes : a.rareBytes;
        return [v]<std::size_t... k>(std::index_sequence<k...>) KESTRUNE_LAMBDA {
            return AnyOf(InRange8(v, ranges[k])...);
        }
        (std::make_index_sequence<ranges.size()>());
    }
}

template <Check kCheck>
KESTRUNE_INLINE Vec Characters(const char* q) {
    if constexpr (IsDoubleByte(kCheck)) return SwapPairs(Load(q));
    return Load(q);
}

template <Check kCheck, bool kSymbols>
constexpr bool kHasRare = !AcceptanceOf(kCheck, kSymbols).rare.empty() ||
                          !AcceptanceOf(kCheck, kSymbols).rareBytes.empty();

// Asks for the kBytes that a scan at byte i reaches 2 KiB later, as far as they are inside the
// text: on long texts the hardware prefetcher alone leaves the loads waiting.
template <std::size_t kBytes>
KESTRUNE_INLINE void PrefetchAhead(std::string_view text, std::size_t i) {
    constexpr std::size_t kAhead = 2048, kLine = 64;
    // One test for the lot while the text goes on past them: a test per line cost the shorter
    // kernels a tenth of their speed.
    if (text.size() - i >= kAhead + kBytes) {
        for (std::size_t line = 0; line < kBytes; line += kLine) {
            __builtin_prefetch(text.data() + i + kAhead + line);
        }
        return;
    }
    for (std::size_t line = 0; line < kBytes; line += kLine) {
        if (text.size() - i > kAhead + line) __builtin_prefetch(text.data() + i + kAhead + line);
    }
}

#ifdef KESTRUNE_NIBBLE_LOOKUP
// Past two ranges, classifying pairs by nibble lookups costs less than testing each range: the
// lookups take the same few instructions for any number of ranges, and they work on packed lead
// and trail bytes, 32 characters a vector instead of 16.
template <Check kCheck, bool kSymbols>
constexpr bool ByNibbles() {
    constexpr Acceptance a = AcceptanceOf(kCheck, kSymbols);
    return IsDoubleByte(kCheck) && a.common.size() > 2 && ClassesOf(a.common).fits;
}

template <Check kCheck, bool kSymbols>
KESTRUNE_INLINE Vec CommonAcceptedByNibbles(const char* p) {
    static constexpr std::span<const PairRange> ranges = AcceptanceOf(kCheck, kSymbols).common;
    static constexpr PairClasses c = ClassesOf(ranges);
    static_assert(Classifies(c, ranges));
    Vec all;
    for (std::size_t k = 0; k < kVectors; k += 2) {
        // The leads and the trails in the same order, whatever it is: only their pairing counts.
        const Vec a = GatherPairs(Load(p + k * kLanes)),
                  b = GatherPairs(Load(p + (k + 1) * kLanes));
        const Vec leads = LowHalves(a, b), trails = HighHalves(a, b);
        const Vec classes =
            And(And(Nibbles(c.low, LowNibbles(trails)), Nibbles(c.high, HighNibbles(trails))),
                Nibbles(c.lead, OffsetAtMost(leads, c.firstLead, c.leadCount)));
        all = k == 0 ? NonZero(classes) : And(all, NonZero(classes));
    }
    return all;
}
#endif

// A vector of a 64-byte block, whose characters all start inside it, with the top bit set in
// every byte when the common ranges accept every character.
template <Check kCheck, bool kSymbols>
KESTRUNE_INLINE Vec CommonAccepted(const char* p) {
#ifdef KESTRUNE_NIBBLE_LOOKUP
    if constexpr (ByNibbles<kCheck, kSymbols>())
        return CommonAcceptedByNibbles<kCheck, kSymbols>(p);
#endif
    Vec all = InPart<kCheck, kSymbols, Part::Common>(Characters<kCheck>(p));
    for (std::size_t k = 1; k < kVectors; ++k) {
        all = And(all, InPart<kCheck, kSymbols, Part::Common>(Characters<kCheck>(p + k * kLanes)));
    }
    return all;
}

// Whether the check accepts every character of the block, the rare ranges included.
template <Check kCheck, bool kSymbols>
KESTRUNE_INLINE bool BlockAccepted(const char* p) {
    if (AllSet(CommonAccepted<kCheck, kSymbols>(p))) return true;
    if constexpr (!kHasRare<kCheck, kSymbols>) {
        return false;
    } else {
        Vec all = Or(InPart<kCheck, kSymbols, Part::Common>(Characters<kCheck>(p)),
                     InPart<kCheck, kSymbols, Part::Rare>(Characters<kCheck>(p)));
        for (std::size_t k = 1; k < kVectors; ++k) {
            const Vec c = Characters<kCheck>(p + k * kLanes);
            all = And(all, Or(InPart<kCheck, kSymbols, Part::Common>(c),
                              InPart<kCheck, kSymbols, Part::Rare>(c)));
        }
        return AllSet(all);
    }
}

template <Check kCheck, bool kSymbols>
KESTRUNE_TARGET std::size_t Confirm(std::string_view text) {
    constexpr std::size_t kStride = 4 * kBlock;
    const char* p = text.data();
    const std::size_t whole = text.size() / kBlock * kBlock;
    std::size_t i = 0;
    while (i < whole) {
        // Four blocks per test while the common ranges hold: a test costs more than a block.
        while (whole - i >= kStride && (PrefetchAhead<kStride>(text, i), true) &&
               AllSet(And(And(CommonAccepted<kCheck, kSymbols>(p + i),
                              CommonAccepted<kCheck, kSymbols>(p + i + kBlock)),
                          And(CommonAccepted<kCheck, kSymbols>(p + i + 2 * kBlock),
                              CommonAccepted<kCheck, kSymbols>(p + i + 3 * kBlock))))) {
            i += kStride;
        }
        // Then block by block, rare ranges too, through the stride that did not pass.
        const std::size_t end = std::min(whole, i + kStride);
        for (; i < end; i += kBlock) {
            if (!BlockAccepted<kCheck, kSymbols>(p + i)) return i;
        }
    }
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

// The characters that start in whole blocks, counted as CountLeadStarts says.
KESTRUNE_INLINE void CountBlock(const char* b, std::uint64_t& carry, std::size_t& leadStarts) {
    CountLeadStarts(LeadBits64(b), carry, leadStarts);
}

KESTRUNE_TARGET CountedPrefix Count(std::string_view text) {
    constexpr std::size_t kAhead = 2048;
    std::uint64_t carry = 0;
    std::size_t i = 0, leadStarts = 0;
    // While the prefetch stays inside the text, then without it.
    for (; text.size() - i >= kAhead + 2 * kBlock; i += 2 * kBlock) {
        __builtin_prefetch(text.data() + i + kAhead);
        __builtin_prefetch(text.data() + i + kAhead + kBlock);
        CountBlock(text.data() + i, carry, leadStarts);
        CountBlock(text.data() + i + kBlock, carry, leadStarts);
    }
    for (; text.size() - i >= kBlock; i += kBlock) CountBlock(text.data() + i, carry, leadStarts);
    return {i, i + carry, i - leadStarts + carry};
}

// The positions where a character the check accepts starts, in a block that has a byte after it.
template <Check kCheck, bool kSymbols, bool kRare>
KESTRUNE_INLINE std::uint64_t AcceptedStarts(const char* p) {
    const auto accepted = [](Vec v) KESTRUNE_LAMBDA {
        if constexpr (IsDoubleByte(kCheck)) v = SwapPairs(v);
        const Vec common = InPart<kCheck, kSymbols, Part::Common>(v);
        if constexpr (kRare) return Bits(Or(common, InPart<kCheck, kSymbols, Part::Rare>(v)));
        return Bits(common);
    };
    if constexpr (!IsDoubleByte(kCheck)) return BlockBits(p, accepted);
    // Pairs starting on even bytes, then those starting on odd ones, read one byte later.
    return (BlockBits(p, accepted) & kEvenBits) | (BlockBits(p + 1, accepted) & kEvenBits) << 1;
}

template <Check kCheck, bool kSymbols>
KESTRUNE_TARGET RecordsPrefix Records(std::string_view text) {
    const char* p = text.data();
    std::uint64_t carry = 0;
    RecordsPrefix confirmed{0, 0};
    for (std::size_t i = 0; text.size() - i > kBlock; i += kBlock) {
        PrefetchAhead<kBlock>(text, i);
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
            if constexpr (!kHasRare<kCheck, kSymbols>) {
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

// The jis and cp932 kernel. For the vector at q: its lead bytes, and the bytes where a character
// that started there would not be confirmed: a lead byte whose pair with the byte after it is
// not common (kJisCommonPairs with a trail byte), or 0xA0. Reads the byte after the vector.
struct JisBits {
    std::uint64_t lead, uncommon;
};

#ifdef KESTRUNE_NIBBLE_LOOKUP
KESTRUNE_INLINE JisBits JisVector(const char* q) {
    static constexpr JisClasses c = kJisClasses;
    const Vec v = Load(q), next = Load(q + 1);
    const Vec leadClasses = Or(Or(NibblesUnder(c.lead8, v, 0x8), NibblesUnder(c.lead9, v, 0x9)),
                               NibblesUnder(c.leadE, v, 0xE));
    const Vec trailClasses =
        And(Nibbles(c.trailHigh, HighNibbles(next)), Nibbles(c.trailLow, LowNibbles(next)));
    const Vec common = NonZero(And(leadClasses, trailClasses));
    const Vec leads = Leads(v);
    return {Bits(leads), Bits(Or(AndNot(common, leads), Equal(v, '\xA0')))};
}
#else
// The pairs that start at even bytes in the 16-bit lanes of q, then those at odd ones, against
// the ranges; the trail byte tested apart, byte by byte.
KESTRUNE_INLINE JisBits JisVector(const char* q) {
    const auto inRanges = [](Vec pairs) KESTRUNE_LAMBDA {
        return [pairs]<std::size_t... k>(std::index_sequence<k...>) KESTRUNE_LAMBDA {
            return AnyOf(InRange16(pairs, kJisCommonPairs[k])...);
        }
        (std::make_index_sequence<std::size(kJisCommonPairs)>());
    };
    const Vec v = Load(q), next = Load(q + 1);
    constexpr auto kEven = static_cast<std::uint32_t>(kEvenBits);
    const std::uint32_t even = Bits(inRanges(SwapPairs(v))) & kEven;
    const std::uint32_t odd = Bits(inRanges(SwapPairs(next))) & kEven;
    const std::uint32_t trails =
        Bits(InRange8(next, ByteRange{0x40, 0xFC})) & ~EqualBits(next, 0x7F);
    const std::uint32_t lead = LeadBits(v);
    return {lead, (lead & ~((even | odd << 1) & trails)) | EqualBits(v, '\xA0')};
}
#endif

template <std::size_t... k>
KESTRUNE_INLINE JisBits JisBlock(const char* b, std::index_sequence<k...>) {
    const JisBits bits[] = {JisVector(b + k * kLanes)...};
    return {((bits[k].lead << (k * kLanes)) | ...), ((bits[k].uncommon << (k * kLanes)) | ...)};
}

KESTRUNE_TARGET std::size_t Jis(std::string_view text) {
    std::uint64_t carry = 0;
    std::size_t i = 0;
    for (; text.size() - i > kBlock; i += kBlock) {
        PrefetchAhead<kBlock>(text, i);
        const auto [lead, uncommon] =
            JisBlock(text.data() + i, std::make_index_sequence<kVectors>());
        const std::uint64_t startsAtI = carry;  // 1 when byte i is the trail of the block before
        if (~TrailBits(lead, carry) & uncommon) return i + startsAtI;
    }
    return i + carry;
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

std::size_t ConfirmedJis(std::string_view text) {
    return Jis(text);
}
