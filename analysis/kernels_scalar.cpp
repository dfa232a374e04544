// The scalar reference kernels: the same block contracts as the vector kernels, one character
// at a time over the range tables, so that each vector kernel has a plain twin to agree with.
#include <algorithm>

#include "char_starts.h"
#include "kernel_isas.h"

namespace kernels::scalar {

namespace {

unsigned char At(const char* p, std::size_t i) {
    return static_cast<unsigned char>(p[i]);
}

// Whether the character starting at byte i is accepted; a double-byte check reads byte i + 1,
// which the callers guarantee is inside the text.
bool Accepts(const Acceptance& a, bool doubleByte, const char* p, std::size_t i) {
    if (!doubleByte) return InByteRanges(a.bytes, At(p, i)) || InByteRanges(a.rareBytes, At(p, i));
    const unsigned pair = At(p, i) << 8 | At(p, i + 1);
    return InPairRanges(a.common, pair) || InPairRanges(a.rare, pair);
}

}  // namespace

std::size_t ConfirmedPrefix(Check check, std::string_view text, int symbolsAllowed) {
    const Acceptance a = AcceptanceOf(check, symbolsAllowed != 0);
    const std::size_t step = IsDoubleByte(check) ? 2 : 1;
    std::size_t block = 0;
    for (; text.size() - block >= kBlock; block += kBlock) {
        for (std::size_t i = block; i < block + kBlock; i += step) {
            if (!Accepts(a, IsDoubleByte(check), text.data(), i)) return block;
        }
    }
    return block;
}

CountedPrefix CountPrefix(std::string_view text) {
    const std::size_t end = text.size() / kBlock * kBlock;
    std::size_t i = 0, count = 0;
    for (; i < end; ++count) i += IsWindowLeadByte(At(text.data(), i)) ? 2 : 1;
    return {end, i, count};
}

RecordsPrefix ConfirmedRecords(Check check, std::string_view text, int symbolsAllowed) {
    const Acceptance a = AcceptanceOf(check, symbolsAllowed != 0);
    const bool doubleByte = IsDoubleByte(check);
    const char* p = text.data();
    RecordsPrefix confirmed{0, 0};
    std::size_t i = 0;  // the next character start, carried across blocks
    // Each block needs the byte after it, to see a CR LF or a pair across its edge.
    for (std::size_t block = 0; text.size() - block > kBlock; block += kBlock) {
        std::size_t next = i;
        for (; next < block + kBlock; ++next) {
            const char b = p[next];
            const bool separator = b == '\n' || (b == '\r' && p[next + 1] == '\n');
            if (!separator) {
                if (check == Check::FullWidth ? !IsWindowLeadByte(At(p, next))
                                              : !Accepts(a, doubleByte, p, next))
                    return confirmed;
                if (doubleByte) ++next;
            }
        }
        i = next;
        const std::string_view lines = text.substr(block, kBlock);
        const std::size_t lastLf = lines.rfind('\n');
        if (lastLf != std::string_view::npos) {
            confirmed = {block + lastLf + 1,
                         confirmed.records + std::count(lines.begin(), lines.end(), '\n')};
        }
    }
    return confirmed;
}

std::size_t ConfirmedJis(std::string_view text) {
    const char* p = text.data();
    std::size_t i = 0;  // the next character start, carried across blocks
    for (std::size_t block = 0; text.size() - block > kBlock; block += kBlock) {
        const std::size_t first = i;
        for (; i < block + kBlock; ++i) {
            const unsigned char b = At(p, i);
            if (!IsWindowLeadByte(b)) {
                if (b == 0xA0) return first;
                continue;
            }
            const unsigned char trail = At(p, ++i);
            if (!IsCp932TrailByte(trail) ||
                !InPairRanges(kJisCommonPairs, static_cast<unsigned>(b) << 8 | trail)) {
                return first;
            }
        }
    }
    return i;
}

// A code point at a time: the definition the AVX2 kernel is held to, and its path through the
// bytes after its last whole block.
RecordsPrefix ConfirmedUtf8Records(const Utf8Block& block, std::string_view records) {
    const auto* p = reinterpret_cast<const unsigned char*>(records.data());
    const std::size_t n = records.size();
    const auto accepted = [&block](unsigned k) { return block.accepted[k >> 3] >> (k & 7) & 1; };
    RecordsPrefix confirmed{0, 0};
    for (std::size_t i = 0; i < n;) {
        if (p[i] == '\n' || (p[i] == '\r' && i + 1 < n && p[i + 1] == '\n')) {
            i += p[i] == '\r' ? 2 : 1;
            confirmed = {i, confirmed.records + 1};
        } else if (p[i] == block.lead && i + 2 < n && (p[i + 1] & 0xFC) == block.second &&
                   (p[i + 2] & 0xC0) == 0x80 &&
                   accepted((p[i + 1] & 3u) << 6 | (p[i + 2] & 0x3Fu))) {
            i += 3;
        } else {
            break;
        }
    }
    return confirmed;
}

}  // namespace kernels::scalar
