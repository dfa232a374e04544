// What the fast kernels must return, worked out from the literal scans alone: shared by the
// differential tests and the fuzz target.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <string>

#include "kernels.h"
#include "operations.h"
#include "pair_classes.h"

namespace oracle {

using kernels::Check;
using kernels::Isa;
using kernels::kBlock;

// Every kernel by name; one this processor lacks runs the scalar reference instead.
inline constexpr Isa kIsas[] = {Isa::Scalar, Isa::Sse2, Isa::Avx2, Isa::Avx512};
inline constexpr const char* kIsaNames[] = {"scalar", "sse2", "avx2", "avx512"};  // in Isa order

// The operation that a kernel check stands for.
inline const OperationRow& RowOf(Check check) {
    for (const OperationRow& row : kOperations) {
        if (row.kernel == check) return row;
    }
    std::abort();
}

inline std::size_t RoundDown(std::size_t n) {
    return n / kBlock * kBlock;
}

// The start of the block holding the first character that the literal scan from `from` (a
// character start, see literal.h) rejects, or the end of the last whole block.
inline std::size_t ExpectedPrefix(Check check, std::string_view text, int symbols,
                                  std::size_t from = 0) {
    const Outcome o = RowOf(check).literal(text, symbols, from);
    return RoundDown(o.ok ? text.size() : static_cast<std::size_t>(o.position - 1));
}

// The records up to the last LF before the first block holding a rejected character of some
// record; a block is judged only when a byte follows it.
inline kernels::RecordsPrefix ExpectedRecords(Check check, std::string_view text, int symbols) {
    std::size_t failure = text.size();
    for (std::size_t start = 0, lf = 0; start < text.size() && failure == text.size();
         start = lf + 1) {
        lf = std::min(text.find('\n', start), text.size());
        const bool crlf = lf > start && lf < text.size() && text[lf - 1] == '\r';
        const Outcome o =
            RowOf(check).literal(text.substr(start, lf - start - (crlf ? 1 : 0)), symbols, 0);
        if (!o.ok) failure = start + static_cast<std::size_t>(o.position - 1);
    }
    const std::size_t judged = text.empty() ? 0 : RoundDown(std::min(text.size() - 1, failure));
    const std::size_t end = text.substr(0, judged).rfind('\n') + 1;  // npos + 1 is 0
    return {end, static_cast<std::size_t>(std::count(text.begin(), text.begin() + end, '\n'))};
}

// The lead bytes, worked out here rather than asked of the code under test.
inline constexpr auto IsLead = [](unsigned char b) {
    return (0x80 <= b && b <= 0x9F) || 0xE0 <= b;
};

// Where the jis and cp932 kernel stops: blocks are confirmed in turn while a byte follows them,
// each when every character that starts in it is a single byte other than 0xA0 or a pair of
// kJisCommonPairs; the first character start at or after the end of the last.
inline std::size_t ExpectedJis(std::string_view text) {
    std::size_t i = 0;
    for (std::size_t block = 0; text.size() - block > kBlock; block += kBlock) {
        for (const std::size_t first = i; i < block + kBlock; i += IsLead(text[i]) ? 2 : 1) {
            const unsigned char lead = text[i], t = text[i + 1];
            if (IsLead(lead) ? t < 0x40 || t == 0x7F || t > 0xFC ||
                                   !kernels::InPairRanges(kernels::kJisCommonPairs, lead << 8 | t)
                             : lead == 0xA0)
                return first;
        }
    }
    return i;
}

// Where the jis and cp932 checks or their kernel part from the literal scans on one text.
inline std::string JisDisagreement(std::string_view text) {
    if (CheckJis(text).position != literal::CheckJis(text).position) return "jis public";
    if (CheckCp932(text).position != literal::CheckCp932(text).position) return "cp932 public";
    for (const std::size_t expected = ExpectedJis(text); Isa isa : kIsas) {
        if (kernels::ConfirmedJis(isa, text) != expected) return kIsaNames[static_cast<int>(isa)];
    }
    return {};
}

// Two blocks for the UTF-8 kernel, their characters named here rather than worked out from the
// checks: katakana ァ … ヶ with 　 ・ ー, and the full-width digits and letters (０ … ９, Ａ … Ｚ,
// ａ … ｚ).
struct Utf8Case {
    char32_t first;  // the block's first code point
    bool (*accepts)(char32_t);
};
inline constexpr Utf8Case kUtf8Cases[] = {
    {0x3000,
     [](char32_t c) {
         return (0x30A1 <= c && c <= 0x30F6) || c == 0x3000 || c == 0x30FB || c == 0x30FC;
     }},
    {0xFF00,
     [](char32_t c) {
         return (0xFF10 <= c && c <= 0xFF19) || (0xFF21 <= c && c <= 0xFF3A) ||
                (0xFF41 <= c && c <= 0xFF5A);
     }},
};

inline kernels::Utf8Block BlockOf(const Utf8Case& c) {
    kernels::Utf8Block block{static_cast<unsigned char>(0xE0 | c.first >> 12),
                             static_cast<unsigned char>(0x80 | (c.first >> 6 & 0x3F)),
                             {}};
    for (unsigned k = 0; k < 256; ++k) {
        if (c.accepts(c.first + k))
            block.accepted[k >> 3] |= static_cast<std::uint8_t>(1 << (k & 7));
    }
    return block;
}

// The records ended by LF or CR LF before the first that holds anything but three-byte UTF-8 of
// accepted code points of the block, each decoded here.
inline kernels::RecordsPrefix ExpectedUtf8Records(const Utf8Case& c, std::string_view text) {
    kernels::RecordsPrefix confirmed{0, 0};
    for (std::size_t lf = text.find('\n'); lf != std::string_view::npos;
         lf = text.find('\n', lf + 1)) {
        std::string_view record = text.substr(confirmed.end, lf - confirmed.end);
        if (!record.empty() && record.back() == '\r') record.remove_suffix(1);
        if (record.size() % 3 != 0) break;
        for (std::size_t i = 0; i < record.size(); i += 3) {
            const auto b = [&](std::size_t k) { return static_cast<unsigned char>(record[i + k]); };
            const char32_t code = (b(0) & 0x0F) << 12 | (b(1) & 0x3F) << 6 | (b(2) & 0x3F);
            const bool threeBytes =
                (b(0) & 0xF0) == 0xE0 && (b(1) & 0xC0) == 0x80 && (b(2) & 0xC0) == 0x80;
            if (!threeBytes || code < c.first || code > c.first + 0xFF || !c.accepts(code))
                return confirmed;
        }
        confirmed = {lf + 1, confirmed.records + 1};
    }
    return confirmed;
}

// Where a UTF-8 kernel parts from the decoded records, for both blocks; empty when none does.
inline std::string Utf8Disagreement(std::string_view text) {
    for (const Utf8Case& c : kUtf8Cases) {
        const kernels::RecordsPrefix expected = ExpectedUtf8Records(c, text);
        for (Isa isa : kIsas) {
            const kernels::RecordsPrefix r = kernels::ConfirmedUtf8Records(isa, BlockOf(c), text);
            if (r.end != expected.end || r.records != expected.records) {
                return std::string(kIsaNames[static_cast<int>(isa)]) + " utf-8 records";
            }
        }
    }
    return {};
}

// Where the public operation or a kernel parts from the literal scans on one text; empty when
// none does. The jis and cp932 checks and the UTF-8 records, whose kernels take no check, are
// tried on every text.
inline std::string Disagreement(Check check, int symbols, std::string_view text) {
    if (std::string jis = JisDisagreement(text); !jis.empty()) return jis;
    if (std::string utf8 = Utf8Disagreement(text); !utf8.empty()) return utf8;
    const Outcome scan = RowOf(check).literal(text, symbols, 0);
    const Outcome fast = RowOf(check).run(text, symbols);
    if (fast.ok != scan.ok || fast.position != scan.position) return "public operation";
    const int count = literal::CheckCharCount(text);
    if (CheckCharCount(text) != count) return "public character count";
    const kernels::RecordsPrefix records = ExpectedRecords(check, text, symbols);
    for (Isa isa : kIsas) {
        const std::string name = kIsaNames[static_cast<int>(isa)];
        if (kernels::ConfirmedPrefix(isa, check, text, symbols) !=
            ExpectedPrefix(check, text, symbols)) {
            return name + " confirmed prefix";
        }
        // The characters that start before the end of the last whole block, and the next start.
        const kernels::CountedPrefix c = kernels::CountPrefix(isa, text);
        if (c.end != RoundDown(text.size()) || c.resume - c.end > 1 ||
            static_cast<int>(c.count) != literal::CheckCharCount(text.substr(0, c.end)) ||
            static_cast<int>(c.count) + literal::CheckCharCount(text, c.resume) != count) {
            return name + " character count";
        }
        const kernels::RecordsPrefix r = kernels::ConfirmedRecords(isa, check, text, symbols);
        if (r.end != records.end || r.records != records.records) return name + " records";
    }
    return {};
}

}  // namespace oracle
