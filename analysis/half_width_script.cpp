// Half-width digits, katakana and alphanumeric checks: one byte at a time.
#include "analysis.h"
#include "literal.h"
#include "scan.h"

using analysis_detail::ByteAt;
using analysis_detail::Verdict;

namespace {

template <typename Rule>
CheckResult ScanHalfWidth(std::string_view text, int symbolsAllowed, std::size_t from,
                          Rule accepts) {
    const std::size_t length = text.size();
    std::size_t i = from;
    while (i < length && accepts(text, static_cast<int>(i + 1), ByteAt(text, i), symbolsAllowed)) {
        ++i;
    }
    return Verdict(i, length);
}

// Digits and katakana ask for the symbol class first, then test their own range.
template <unsigned char kFirst, unsigned char kLast>
bool AcceptsSymbolOrRange(std::string_view text, int pos, unsigned char b, int symbols) {
    if (ClassifySymbol(text, pos, symbols) == HalfWidthSymbol) return true;
    return kFirst <= b && b <= kLast;
}

// Alphanumerics test their ranges first and ask for the symbol class only when none matches.
bool AcceptsAlnum(std::string_view text, int pos, unsigned char b, int symbols) {
    if (0x30 <= b && b <= 0x39) return true;  // 0 … 9
    if (0x41 <= b && b <= 0x5A) return true;  // A … Z
    if (0x61 <= b && b <= 0x7A) return true;  // a … z
    return ClassifySymbol(text, pos, symbols) == HalfWidthSymbol;
}

}  // namespace

CheckResult literal::CheckHalfDigits(std::string_view text, int symbolsAllowed, std::size_t from) {
    return ScanHalfWidth(text, symbolsAllowed, from, AcceptsSymbolOrRange<0x30, 0x39>);  // 0 … 9
}

CheckResult literal::CheckHalfKatakana(std::string_view text, int symbolsAllowed,
                                       std::size_t from) {
    return ScanHalfWidth(text, symbolsAllowed, from, AcceptsSymbolOrRange<0xA6, 0xDF>);  // ｦ … ﾟ
}

CheckResult literal::CheckHalfAlnum(std::string_view text, int symbolsAllowed, std::size_t from) {
    return ScanHalfWidth(text, symbolsAllowed, from, AcceptsAlnum);
}
