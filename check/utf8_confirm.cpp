#include "utf8_confirm.h"

#include <string>
#include <vector>

#include "cp932.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace check {

std::optional<Utf8Confirmer> Utf8Confirmer::For(std::span<const Rule> rules, int symbolsAllowed) {
    // Measurements cannot fail; every check must accept only characters of one block.
    char32_t first = 0;
    std::vector<kernels::Check> checks;
    for (const Rule& rule : rules) {
        const OperationRow& row = Row(rule.operation);
        if (!row.kernel) continue;
        if (checks.empty()) first = row.utf8Block;
        if (row.utf8Block == 0 || row.utf8Block != first) return std::nullopt;
        checks.push_back(*row.kernel);
    }
    if (checks.empty()) return std::nullopt;
    // A code point of the block is accepted when its code page 932 form passes every check.
    Utf8Confirmer confirmer(static_cast<unsigned char>(0xE0 | first >> 12),
                            static_cast<unsigned char>(0x80 | (first >> 6 & 0x3F)));
    for (unsigned index = 0; index < 256; ++index) {
        const char32_t c = first + index;
        const char utf8[3] = {static_cast<char>(0xE0 | c >> 12),
                              static_cast<char>(0x80 | (c >> 6 & 0x3F)),
                              static_cast<char>(0x80 | (c & 0x3F))};
        std::vector<LostCharacter> lost;
        const std::string bytes = Utf8ToCp932(std::string_view(utf8, 3), &lost);
        bool passes = lost.empty() && bytes.size() == 2;
        for (kernels::Check check : checks) {
            passes = passes && kernels::ConfirmedShort(check, bytes, symbolsAllowed) == 2;
        }
        if (passes) confirmer.accepted_[index >> 3] |= static_cast<std::uint8_t>(1 << (index & 7));
    }
    return confirmer;
}

kernels::RecordsPrefix Utf8Confirmer::ConfirmScalar(std::string_view records) const {
    const auto* p = reinterpret_cast<const unsigned char*>(records.data());
    const std::size_t n = records.size();
    kernels::RecordsPrefix confirmed{0, 0};
    for (std::size_t i = 0; i < n;) {
        if (p[i] == '\n' || (p[i] == '\r' && i + 1 < n && p[i + 1] == '\n')) {
            i += p[i] == '\r' ? 2 : 1;
            confirmed = {i, confirmed.records + 1};
        } else if (p[i] == lead_ && i + 2 < n && (p[i + 1] & 0xFC) == second_ &&
                   (p[i + 2] & 0xC0) == 0x80 &&
                   Accepts((p[i + 1] & 3u) << 6 | (p[i + 2] & 0x3Fu))) {
            i += 3;
        } else {
            break;
        }
    }
    return confirmed;
}

#if defined(__x86_64__) || defined(__i386__)

namespace {

// Blocks of 64 bytes, each read from three offsets (so 66 bytes), where the characters' bytes
// line up: a lead byte at i, its second byte at i + 1 of the first load and at i of the
// second, its third at i of the third.
struct Masks {
    std::uint64_t accepted, nonAscii, lineFeeds, endsOfLine;
};

__attribute__((target("avx2"))) Masks Classify(const unsigned char* p, unsigned char lead,
                                               unsigned char second, const std::uint8_t* table) {
    // The 32 bytes of bits, in two halves of 16 that a shuffle can index.
    const __m256i acceptedLow =
        _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(table)));
    const __m256i acceptedHigh =
        _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(table + 16)));
    const __m256i bitOf =
        _mm256_setr_epi8(1, 2, 4, 8, 16, 32, 64, -128, 1, 2, 4, 8, 16, 32, 64, -128, 1, 2, 4, 8, 16,
                         32, 64, -128, 1, 2, 4, 8, 16, 32, 64, -128);
    const __m256i leadByte = _mm256_set1_epi8(static_cast<char>(lead));
    const __m256i secondByte = _mm256_set1_epi8(static_cast<char>(second));
    Masks m{0, 0, 0, 0};
    for (int h = 0; h < 64; h += 32) {
        const __m256i b0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + h));
        const __m256i b1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + h + 1));
        const __m256i b2 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + h + 2));
        // The code point's place in the block: the low two bits of the second byte and the
        // low six of the third.
        const __m256i index = _mm256_or_si256(
            _mm256_and_si256(_mm256_slli_epi16(b1, 6), _mm256_set1_epi8(static_cast<char>(0xC0))),
            _mm256_and_si256(b2, _mm256_set1_epi8(0x3F)));
        const __m256i byteOf =
            _mm256_and_si256(_mm256_srli_epi16(index, 3), _mm256_set1_epi8(0x1F));
        // Bit 4 of byteOf, moved to bit 7, picks the half.
        const __m256i bits = _mm256_blendv_epi8(_mm256_shuffle_epi8(acceptedLow, byteOf),
                                                _mm256_shuffle_epi8(acceptedHigh, byteOf),
                                                _mm256_slli_epi16(byteOf, 3));
        const __m256i bit =
            _mm256_shuffle_epi8(bitOf, _mm256_and_si256(index, _mm256_set1_epi8(7)));
        const __m256i inBlock = _mm256_and_si256(
            _mm256_cmpeq_epi8(b0, leadByte),
            _mm256_cmpeq_epi8(_mm256_and_si256(b1, _mm256_set1_epi8(static_cast<char>(0xFC))),
                              secondByte));
        const __m256i third =
            _mm256_cmpeq_epi8(_mm256_and_si256(b2, _mm256_set1_epi8(static_cast<char>(0xC0))),
                              _mm256_set1_epi8(static_cast<char>(0x80)));
        const __m256i ok = _mm256_and_si256(_mm256_and_si256(inBlock, third),
                                            _mm256_cmpeq_epi8(_mm256_and_si256(bits, bit), bit));
        const __m256i lineFeed = _mm256_cmpeq_epi8(b0, _mm256_set1_epi8('\n'));
        // A CR ends a line only right before an LF.
        const __m256i endOfLine = _mm256_or_si256(
            lineFeed, _mm256_and_si256(_mm256_cmpeq_epi8(b0, _mm256_set1_epi8('\r')),
                                       _mm256_cmpeq_epi8(b1, _mm256_set1_epi8('\n'))));
        const auto at = static_cast<unsigned>(h);
        m.accepted |= std::uint64_t{static_cast<std::uint32_t>(_mm256_movemask_epi8(ok))} << at;
        m.nonAscii |= std::uint64_t{static_cast<std::uint32_t>(_mm256_movemask_epi8(b0))} << at;
        m.lineFeeds |= std::uint64_t{static_cast<std::uint32_t>(_mm256_movemask_epi8(lineFeed))}
                       << at;
        m.endsOfLine |= std::uint64_t{static_cast<std::uint32_t>(_mm256_movemask_epi8(endOfLine))}
                        << at;
    }
    return m;
}

__attribute__((target("avx2,popcnt"))) kernels::RecordsPrefix ConfirmAvx2(
    const unsigned char* p, std::size_t n, unsigned char lead, unsigned char second,
    const std::uint8_t* table, std::size_t& at) {
    kernels::RecordsPrefix confirmed{0, 0};
    at = 0;
    while (n - at >= 66) {
        const Masks m = Classify(p + at, lead, second, table);
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

}  // namespace

kernels::RecordsPrefix Utf8Confirmer::Confirm(std::string_view records) const {
    static const bool avx2 = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt");
    if (!avx2) return ConfirmScalar(records);
    std::size_t at = 0;
    const kernels::RecordsPrefix fast =
        ConfirmAvx2(reinterpret_cast<const unsigned char*>(records.data()), records.size(), lead_,
                    second_, accepted_.data(), at);
    // Where the blocks ran out or stopped, on a character at a time from the last LF they
    // passed: a stop is found again there.
    const kernels::RecordsPrefix rest = ConfirmScalar(records.substr(fast.end));
    return {fast.end + rest.end, fast.records + rest.records};
}

#else

kernels::RecordsPrefix Utf8Confirmer::Confirm(std::string_view records) const {
    return ConfirmScalar(records);
}

#endif

}  // namespace check
