// The CSV block kernel for each instruction set, and the choice among them: a byte loop with
// shifts for the prefix XOR everywhere, SSE2 (every x86-64 processor) with the same shifts, and
// AVX2 with carry-less multiplication where the processor has both.
#include "csv_blocks.h"

#include <algorithm>
#include <cstdint>

#include "kernel_isas.h"

#ifdef KESTRUNE_X86_KERNELS
#include <immintrin.h>
#endif

namespace kernels {

namespace {

struct Classes {
    std::uint64_t quote, delimiter, lineFeed, lead;
};

// Lead bytes 0x80-0x9F and 0xE0-0xFF: the top three bits 100 or 111.
constexpr bool IsLead(unsigned char b) {
    return (b & 0xE0) == 0x80 || (b & 0xE0) == 0xE0;
}

// Without BMI1 and POPCNT: the trailing zeros of 0 are 64 here too.
unsigned PortableCtz(std::uint64_t x) {
    return x == 0 ? 64 : static_cast<unsigned>(__builtin_ctzll(x));
}
unsigned PortablePopcount(std::uint64_t x) {
    return static_cast<unsigned>(__builtin_popcountll(x));
}

// Six shifts: each doubles the span of bits folded into every bit.
constexpr std::uint64_t ShiftedPrefixXor(std::uint64_t x) {
    for (int shift = 1; shift < 64; shift *= 2) x ^= x << shift;
    return x;
}

}  // namespace

namespace scalar {
namespace {

#define KESTRUNE_CSV_TARGET

Classes Classify(const char* p, const CsvSyntax& syntax) {
    Classes c{0, 0, 0, 0};
    for (unsigned k = 0; k < kBlock; ++k) {
        const auto b = static_cast<unsigned char>(p[k]);
        c.quote |= std::uint64_t{b == '"'} << k;
        c.delimiter |= std::uint64_t{b == syntax.delimiter} << k;
        c.lineFeed |= std::uint64_t{b == '\n'} << k;
        c.lead |= std::uint64_t{IsLead(b)} << k;
    }
    return c;
}

std::uint64_t PrefixXor(std::uint64_t x) {
    return ShiftedPrefixXor(x);
}
unsigned Ctz(std::uint64_t x) {
    return PortableCtz(x);
}
unsigned Popcount(std::uint64_t x) {
    return PortablePopcount(x);
}

#include "csv_blocks_body.h"

#undef KESTRUNE_CSV_TARGET

}  // namespace
}  // namespace scalar

#ifdef KESTRUNE_X86_KERNELS

namespace sse2 {
namespace {

#define KESTRUNE_CSV_TARGET

[[gnu::always_inline]] inline Classes Classify(const char* p, const CsvSyntax& syntax) {
    const __m128i quote = _mm_set1_epi8('"');
    const __m128i delimiter = _mm_set1_epi8(static_cast<char>(syntax.delimiter));
    const __m128i lineFeed = _mm_set1_epi8('\n');
    const __m128i top3 = _mm_set1_epi8(static_cast<char>(0xE0));
    Classes c{0, 0, 0, 0};
    for (unsigned k = 0; k < 4; ++k) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
        const auto bits = [&](__m128i match) {
            return std::uint64_t{static_cast<unsigned>(_mm_movemask_epi8(match))} << (16 * k);
        };
        c.quote |= bits(_mm_cmpeq_epi8(v, quote));
        c.delimiter |= bits(_mm_cmpeq_epi8(v, delimiter));
        c.lineFeed |= bits(_mm_cmpeq_epi8(v, lineFeed));
        if (syntax.trailBytes) {
            const __m128i high = _mm_and_si128(v, top3);
            c.lead |=
                bits(_mm_or_si128(_mm_cmpeq_epi8(high, _mm_set1_epi8(static_cast<char>(0x80))),
                                  _mm_cmpeq_epi8(high, top3)));
        }
    }
    return c;
}

[[gnu::always_inline]] inline std::uint64_t PrefixXor(std::uint64_t x) {
    return ShiftedPrefixXor(x);
}
[[gnu::always_inline]] inline unsigned Ctz(std::uint64_t x) {
    return PortableCtz(x);
}
[[gnu::always_inline]] inline unsigned Popcount(std::uint64_t x) {
    return PortablePopcount(x);
}

#include "csv_blocks_body.h"

#undef KESTRUNE_CSV_TARGET

}  // namespace
}  // namespace sse2

namespace avx2 {
namespace {

#define KESTRUNE_CSV_TARGET __attribute__((target("avx2,pclmul,bmi,popcnt")))

__attribute__((target("avx2"), always_inline)) inline Classes Classify(const char* p,
                                                                       const CsvSyntax& syntax) {
    const __m256i quote = _mm256_set1_epi8('"');
    const __m256i delimiter = _mm256_set1_epi8(static_cast<char>(syntax.delimiter));
    const __m256i lineFeed = _mm256_set1_epi8('\n');
    const __m256i top3 = _mm256_set1_epi8(static_cast<char>(0xE0));
    Classes c{0, 0, 0, 0};
    for (unsigned k = 0; k < 2; ++k) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32 * k));
        const auto bits = [&](__m256i match) __attribute__((target("avx2"), always_inline)) {
            return std::uint64_t{static_cast<std::uint32_t>(_mm256_movemask_epi8(match))}
                   << (32 * k);
        };
        c.quote |= bits(_mm256_cmpeq_epi8(v, quote));
        c.delimiter |= bits(_mm256_cmpeq_epi8(v, delimiter));
        c.lineFeed |= bits(_mm256_cmpeq_epi8(v, lineFeed));
        if (syntax.trailBytes) {
            const __m256i high = _mm256_and_si256(v, top3);
            c.lead |= bits(
                _mm256_or_si256(_mm256_cmpeq_epi8(high, _mm256_set1_epi8(static_cast<char>(0x80))),
                                _mm256_cmpeq_epi8(high, top3)));
        }
    }
    return c;
}

// The low half of the carry-less product with all ones: bit k is the XOR of bits 0..k.
__attribute__((target("pclmul"), always_inline)) inline std::uint64_t PrefixXor(std::uint64_t x) {
    const __m128i product = _mm_clmulepi64_si128(_mm_set_epi64x(0, static_cast<long long>(x)),
                                                 _mm_set1_epi8(static_cast<char>(0xFF)), 0);
    return static_cast<std::uint64_t>(_mm_cvtsi128_si64(product));
}
__attribute__((target("bmi"), always_inline)) inline unsigned Ctz(std::uint64_t x) {
    return static_cast<unsigned>(_tzcnt_u64(x));
}
__attribute__((target("popcnt"), always_inline)) inline unsigned Popcount(std::uint64_t x) {
    return static_cast<unsigned>(_mm_popcnt_u64(x));
}

#include "csv_blocks_body.h"

#undef KESTRUNE_CSV_TARGET

}  // namespace
}  // namespace avx2

#endif

std::size_t CsvSplitBlocks(Isa isa, const CsvSyntax& syntax, std::string_view text,
                           std::size_t from, std::size_t blocks, CsvCarry& carry, CsvSplit& out,
                           std::size_t& stray) {
#ifdef KESTRUNE_X86_KERNELS
    static const bool avx2 = Available(Isa::Avx2) && HasCarrylessMultiplyAndBmi();
    switch (isa) {
        case Isa::Avx512:
        case Isa::Avx2:
            if (avx2) return avx2::CsvSplitBlocks(syntax, text, from, blocks, carry, out, stray);
            [[fallthrough]];
        case Isa::Sse2:
            return sse2::CsvSplitBlocks(syntax, text, from, blocks, carry, out, stray);
        case Isa::Scalar:
            break;
    }
#else
    (void)isa;
#endif
    return scalar::CsvSplitBlocks(syntax, text, from, blocks, carry, out, stray);
}

}  // namespace kernels
