// Character kinds and the jis, cp932 and zengin checks. The defined codes come from
// cp932/cp932-map.txt, evaluated at compile time into one bit per code, so that the kinds are
// iconv's without calling it.
#include "repertoire.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "analysis.h"
#include "byte_sets.h"
#include "cp932_map.h"
#include "kernels.h"
#include "literal.h"
#include "scan.h"

using analysis_detail::ByteAt;
using analysis_detail::Verdict;

namespace {

// One bit per code: a single byte at its own value, a pair at lead << 8 | trail, so that row 0
// (four words) holds the single bytes and row `lead` the pairs under it. No pair has a lead byte
// below 0x80, so the two never share a bit. 8 KiB, within the first-level cache.
struct CodeBits {
    std::array<std::uint64_t, 1024> words{};
    constexpr bool Has(unsigned code) const { return words[code >> 6] >> (code & 63) & 1; }
    constexpr void Set(unsigned code) { words[code >> 6] |= std::uint64_t{1} << (code & 63); }
};

// The codes iconv decodes: every code a run of the map reaches.
constexpr CodeBits kDefined = [] {
    CodeBits defined;
    // A code point only encoded has no bytes that decode to it.
    cp932_map::ForEachMapping([&](std::uint32_t bytes, std::uint32_t) { defined.Set(bytes); },
                              [](std::uint32_t, std::uint32_t) {});
    return defined;
}();

// The kind of a pair of a lead byte 0x81-0x9F or 0xE0-0xFC and a trail byte, when it is
// defined (or user-defined, which it always is); an undefined pair is Undefined under any lead.
constexpr CharacterKind PairKind(unsigned lead) {
    using enum CharacterKind;
    if ((0x81 <= lead && lead <= 0x84) || (0x88 <= lead && lead <= 0x9F)) return Jis;
    if (0xE0 <= lead && lead <= 0xEA) return Jis;
    if (lead == 0x87) return NecSpecial;
    if (lead == 0xED || lead == 0xEE) return NecSelectedIbm;
    if (0xF0 <= lead && lead <= 0xF9) return UserDefined;
    if (0xFA <= lead && lead <= 0xFC) return IbmExtension;
    return Undefined;
}
constexpr auto kPairKinds = [] {
    std::array<CharacterKind, 256> kinds{};
    for (unsigned lead = 0; lead < 256; ++lead) kinds[lead] = PairKind(lead);
    return kinds;
}();

// Rows of 256 bits, one per byte value, as CodeBits holds them. The compile-time checks below
// work a row at a time, a word of 64 codes at a step: clang's limit on the steps of a constant
// expression is short of a step per code.
using Row = std::array<std::uint64_t, 4>;
constexpr Row RowOf(bool (*in)(unsigned)) {
    Row row{};
    for (unsigned b = 0; b < 256; ++b) row[b >> 6] |= std::uint64_t{in(b)} << (b & 63);
    return row;
}
constexpr Row kTrailRow = RowOf([](unsigned b) { return IsCp932TrailByte(b); });
constexpr Row kSingleRow = RowOf([](unsigned b) { return b < 0x80 || (0xA1 <= b && b <= 0xDF); });
constexpr Row kNecRow = RowOf([](unsigned b) { return IsCp932TrailByte(b) && b <= 0x9C; });

// The map must agree with the ranges the kinds are defined by: the single bytes 0x00-0x7F and
// 0xA1-0xDF, every user-defined pair, pairs elsewhere only under the lead bytes of a kind and
// NEC row 13 only up to 0x879C. A new map that does not fails the build here rather than
// misjudging a character.
constexpr bool MapFitsTheKinds() {
    using enum CharacterKind;
    for (unsigned row = 0; row < 256; ++row) {
        const CharacterKind kind = IsWindowLeadByte(row) ? kPairKinds[row] : Undefined;
        const Row allowed = row == 0             ? kSingleRow
                            : kind == Undefined  ? Row{}
                            : kind == NecSpecial ? kNecRow
                                                 : kTrailRow;
        // The single bytes and the user-defined rows exactly, any other row within its kind.
        const bool exact = row == 0 || kind == UserDefined;
        for (unsigned w = 0; w < 4; ++w) {
            const std::uint64_t defined = kDefined.words[row * 4 + w];
            if (exact ? defined != allowed[w] : (defined & ~allowed[w]) != 0) return false;
        }
    }
    return true;
}
static_assert(MapFitsTheKinds(), "cp932-map.txt defines a code outside the kinds' ranges");

constexpr bool IsJis(CharacterKind kind) {
    return kind == CharacterKind::Jis;
}
constexpr bool IsCp932(CharacterKind kind) {
    return kind <= CharacterKind::IbmExtension;
}

// The codes of the characters `accepts`, for the fast path: one lookup a character instead of
// working out its kind, and no branch on its width.
template <bool (*kAccepts)(CharacterKind)>
constexpr CodeBits kAccepted = [] {
    using enum CharacterKind;
    static_assert(!kAccepts(Undefined) && !kAccepts(Invalid));
    CodeBits accepted;
    for (unsigned row = 0; row < 256; ++row) {
        const CharacterKind kind = row == 0                ? Jis
                                   : IsWindowLeadByte(row) ? kPairKinds[row]
                                                           : Undefined;
        if (!kAccepts(kind)) continue;
        for (unsigned w = 0; w < 4; ++w) {
            accepted.words[row * 4 + w] =
                kind == UserDefined ? kTrailRow[w] : kDefined.words[row * 4 + w];
        }
    }
    return accepted;
}();

// What the kernel confirms alone must be Jis, or the checks would pass what the table rejects.
constexpr bool CommonPairsAreJis() {
    for (const kernels::PairRange r : kernels::kJisCommonPairs) {
        for (unsigned code = r.first; code <= r.last; ++code) {
            if (IsWindowLeadByte(code >> 8) && IsCp932TrailByte(code & 0xFF) &&
                !kAccepted<IsJis>.Has(code)) {
                return false;
            }
        }
    }
    return true;
}
static_assert(CommonPairsAreJis(), "the kernel's common pairs hold a character that is not Jis");

// The characters of the bank-transfer (Zengin) set, all single bytes.
constexpr auto kZengin = [] {
    std::array<bool, 256> accepted{};
    for (unsigned char b : {0x20, 0x28, 0x29, 0x2D, 0x2E, 0x2F, 0xA6, 0xDE, 0xDF}) {
        accepted[b] = true;  // space ( ) - . / ｦ ﾞ ﾟ
    }
    for (unsigned b = '0'; b <= '9'; ++b) accepted[b] = true;
    for (unsigned b = 'A'; b <= 'Z'; ++b) accepted[b] = true;
    for (unsigned b = 0xB1; b <= 0xDD; ++b) accepted[b] = true;  // ｱ … ﾝ
    return accepted;
}();

// From `from`, the characters that `accepts`, one at a time: the first one it does not, or the
// end. An accepted character is never a lead byte that ends the text, so a lead byte takes the
// byte after it.
template <bool (*kAccepts)(CharacterKind)>
CheckResult ScanKinds(std::string_view text, std::size_t from) {
    std::size_t i = from;
    while (i < text.size() && kAccepts(KindAt(text, i)))
        i += IsWindowLeadByte(ByteAt(text, i)) ? 2 : 1;
    return Verdict(i, text.size());
}

// From character start i, the characters in `accepted` that start before `stop`: the first one
// that is not, or the first character start at or after `stop`.
std::size_t ScanCodes(const CodeBits& accepted, std::string_view text, std::size_t i,
                      std::size_t stop) {
    while (i < stop) {
        const unsigned b = ByteAt(text, i);
        const bool lead = IsWindowLeadByte(b);
        if (lead && i + 1 == text.size()) break;  // a lead byte that ends the text: rejected
        const unsigned code = lead ? b << 8 | ByteAt(text, i + 1) : b;
        if (!accepted.Has(code)) break;
        i += lead ? 2 : 1;
    }
    return i;
}

// The kernel confirms runs of blocks of common characters; where it stops, the table judges a
// block's worth of characters and hands back to it, so that a rare character here and there
// does not leave the rest of a long text to the table.
template <bool (*kAccepts)(CharacterKind)>
CheckResult CheckKinds(std::string_view text) {
    const std::size_t length = text.size();
    const kernels::Isa isa = kernels::FastestWide();
    std::size_t i = 0;
    for (;;) {
        if (length - i > kernels::kBlock) i += kernels::ConfirmedJis(isa, text.substr(i));
        const std::size_t stop = std::min(length, i + kernels::kBlock);
        i = ScanCodes(kAccepted<kAccepts>, text, i, stop);
        if (i < stop || i >= length) return Verdict(i, length);
    }
}

}  // namespace

CharacterKind KindAt(std::string_view text, std::size_t at) {
    const unsigned lead = ByteAt(text, at);
    if (!IsWindowLeadByte(lead))
        return kDefined.Has(lead) ? CharacterKind::Jis : CharacterKind::Undefined;
    // The window's lead bytes that are not code page 932's (0x80, 0xFD-0xFF): no trail byte
    // makes them a character it has.
    if (!IsCp932LeadByte(lead)) return CharacterKind::Undefined;
    if (at + 1 >= text.size() || !IsCp932TrailByte(ByteAt(text, at + 1)))
        return CharacterKind::Invalid;
    const CharacterKind kind = kPairKinds[lead];
    if (kind == CharacterKind::UserDefined || kDefined.Has(lead << 8 | ByteAt(text, at + 1))) {
        return kind;
    }
    return CharacterKind::Undefined;
}

CheckResult literal::CheckJis(std::string_view text, std::size_t from) {
    return ScanKinds<IsJis>(text, from);
}

CheckResult literal::CheckCp932(std::string_view text, std::size_t from) {
    return ScanKinds<IsCp932>(text, from);
}

// Every character that starts with a lead byte is rejected, so a byte at a time is a character
// at a time up to the first rejection.
CheckResult literal::CheckZengin(std::string_view text, std::size_t from) {
    std::size_t i = from;
    while (i < text.size() && kZengin[ByteAt(text, i)]) ++i;
    return Verdict(i, text.size());
}

CheckResult CheckJis(std::string_view text) {
    return CheckKinds<IsJis>(text);
}

CheckResult CheckCp932(std::string_view text) {
    return CheckKinds<IsCp932>(text);
}
