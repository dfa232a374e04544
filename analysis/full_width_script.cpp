// Full-width hiragana, katakana and alphanumeric checks: one double-byte character at a time.
#include "analysis.h"
#include "literal.h"
#include "scan.h"

using analysis_detail::ByteAt;
using analysis_detail::Verdict;

namespace {

constexpr unsigned char kSymbolLead = 0x81;
constexpr unsigned char kProlongedSoundTrail = 0x5B;  // 0x81 0x5B: ー

// The scan the three checks share. At the last position there is no trail byte; it reads as
// 0x00, which no rule accepts.
template <typename Rule>
CheckResult ScanFullWidth(std::string_view text, int symbolsAllowed, std::size_t from,
                          Rule accepts) {
    const std::size_t length = text.size();
    std::size_t i = from;
    while (i < length) {
        const unsigned char b1 = ByteAt(text, i);
        const unsigned char b2 = i + 1 < length ? ByteAt(text, i + 1) : 0x00;
        if (!accepts(text, static_cast<int>(i + 1), b1, b2, symbolsAllowed)) break;
        i += 2;
    }
    return Verdict(i, length);
}

// Hiragana and katakana share a rule: the script's own lead byte decides alone; ー always
// passes; otherwise a full-width symbol passes while symbols are allowed.
template <unsigned char kLead, unsigned char kFirstTrail, unsigned char kLastTrail>
bool AcceptsKana(std::string_view text, int pos, unsigned char b1, unsigned char b2, int symbols) {
    if (b1 == kLead) return kFirstTrail <= b2 && b2 <= kLastTrail;
    if (b1 == kSymbolLead && b2 == kProlongedSoundTrail) return true;
    return ClassifySymbol(text, pos, symbols) == FullWidthSymbol;
}

bool AcceptsAlnum(std::string_view text, int pos, unsigned char b1, unsigned char b2, int symbols) {
    if (b1 == 0x82) {
        if (0x4F <= b2 && b2 <= 0x58) return true;  // ０ … ９
        if (0x60 <= b2 && b2 <= 0x79) return true;  // Ａ … Ｚ
        if (0x81 <= b2 && b2 <= 0x9A) return true;  // ａ … ｚ
    }
    return ClassifySymbol(text, pos, symbols) == FullWidthSymbol;
}

}  // namespace

CheckResult literal::CheckFullHiragana(std::string_view text, int symbolsAllowed,
                                       std::size_t from) {
    return ScanFullWidth(text, symbolsAllowed, from, AcceptsKana<0x82, 0x9F, 0xF1>);  // ぁ … ん
}

CheckResult literal::CheckFullKatakana(std::string_view text, int symbolsAllowed,
                                       std::size_t from) {
    return ScanFullWidth(text, symbolsAllowed, from, AcceptsKana<0x83, 0x40, 0x96>);  // ァ … ヶ
}

CheckResult literal::CheckFullAlnum(std::string_view text, int symbolsAllowed, std::size_t from) {
    return ScanFullWidth(text, symbolsAllowed, from, AcceptsAlnum);
}
