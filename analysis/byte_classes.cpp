// The two byte tests every measurement and check rests on: the lead byte, defined in
// lead_bytes.h, and the symbol classes.
#include "analysis.h"
#include "byte_sets.h"

namespace {

using kernels::ByteRange;
using kernels::InByteRanges;

// Trail bytes under lead byte 0x81 that JIS X 0208 rows 1 and 2 assign to symbols.
constexpr ByteRange kFullWidthSymbolTrails[] = {
    {0x40, 0xAC},  // ideographic space 　 … geta mark 〓, with the unused 0x7F inside
    {0xB8, 0xBF},  // set theory ∈ … ∩
    {0xC8, 0xCE},  // logic ∧ … ∃
    {0xDA, 0xE8},  // mathematics ∠ … ∬
    {0xF0, 0xF7},  // Å ‰ ♯ ♭ ♪ † ‡ ¶
    {0xFC, 0xFC},  // large circle ◯
};

// Single bytes that count as half-width symbols, in the order they are tried.
constexpr ByteRange kHalfWidthSymbols[] = {
    {0x00, 0x2F},  // control bytes, space, ! … /
    {0x3A, 0x40},  // : … @
    {0x5B, 0x60},  // [ … `
    {0x7B, 0x7F},  // { … ~ and DEL
    {0xA0, 0xA5},  // 0xA0 (unassigned), ｡ ｢ ｣ ､ ･
    {0xDE, 0xDF},  // ﾞ ﾟ
    {0xB0, 0xB0},  // ｰ
};

}  // namespace

int IsLeadByte(unsigned char b) {
    return IsWindowLeadByte(b) ? 1 : 0;
}

SymbolClass ClassifySymbol(std::string_view text, int pos, int symbolsAllowed) {
    if (pos < 1 || static_cast<std::size_t>(pos) > text.size()) return NotSymbol;
    const auto b1 = static_cast<unsigned char>(text[pos - 1]);
    SymbolClass cls = NotSymbol;
    if (IsLeadByte(b1)) {
        // A lead byte in the last position has no trail byte and stays NotSymbol.
        if (static_cast<std::size_t>(pos) < text.size()) {
            const auto b2 = static_cast<unsigned char>(text[pos]);
            if (b1 == 0x81 && InByteRanges(kFullWidthSymbolTrails, b2)) {
                cls = FullWidthSymbol;
            }
        }
    } else if (InByteRanges(kHalfWidthSymbols, b1)) {
        cls = HalfWidthSymbol;
    }
    return symbolsAllowed ? cls : NotSymbol;
}
