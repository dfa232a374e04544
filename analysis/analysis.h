// Shift-JIS (code page 932) text analysis: the byte classes and the operations.
//
// Every function judges the bytes of `text` and nothing else: no decoding, no trail byte
// validated, no byte read at or past text.size(). Positions are 1-based byte positions.
// `symbolsAllowed` is the allow-symbols flag, 1 or 0. Texts longer than INT_MAX bytes are
// outside the domain: sizes and positions are 32-bit.
#pragma once

#include <string_view>

#include "lead_bytes.h"

enum SymbolClass { NotSymbol = 0, FullWidthSymbol = 1, HalfWidthSymbol = 2 };

struct CheckResult {
    bool ok;       // every character passed
    int position;  // when !ok: 1-based byte position where the first rejected character starts; 0
                   // when ok
};

// 1 for the bytes that open a double-byte character (0x80-0x9F, 0xE0-0xFF), else 0: the rule of
// lead_bytes.h, out of line on purpose. Inlined into the literal scans' loops, its two range tests
// become two branches, which mispredict on text that mixes 0x8x and 0xEx lead bytes (the
// full-width scan ran at half speed); the call keeps them one branch-free test.
int IsLeadByte(unsigned char b);

// The bytes the character that starts at byte index `at` (< size) takes: a lead byte with the
// byte after it, whatever that is, or one byte.
inline int CharacterWidth(std::string_view text, std::size_t at) {
    return IsLeadByte(static_cast<unsigned char>(text[at])) && at + 1 < text.size() ? 2 : 1;
}

// The symbol class of the character that starts at `pos` (1 <= pos <= size), NotSymbol when
// symbols are not allowed or `pos` lies outside the text.
SymbolClass ClassifySymbol(std::string_view text, int pos, int symbolsAllowed);

int CheckByteSize(std::string_view text);
int CheckCharCount(std::string_view text);

// Whether the text fits in `limit` bytes; when not, the position of the first character that
// does not lie wholly within them, where a system that keeps `limit` bytes would cut.
CheckResult CheckByteLimit(std::string_view text, int limit);

CheckResult CheckFullWidth(std::string_view text);
CheckResult CheckHalfWidth(std::string_view text);

CheckResult CheckFullHiragana(std::string_view text, int symbolsAllowed);
CheckResult CheckFullKatakana(std::string_view text, int symbolsAllowed);
CheckResult CheckFullAlnum(std::string_view text, int symbolsAllowed);

CheckResult CheckHalfKatakana(std::string_view text, int symbolsAllowed);
CheckResult CheckHalfDigits(std::string_view text, int symbolsAllowed);
CheckResult CheckHalfAlnum(std::string_view text, int symbolsAllowed);

// Character sets rather than classes, with no symbol flag: only JIS X 0201 and JIS X 0208
// characters; only characters code page 932 defines (those and the NEC and IBM extensions);
// only the single bytes of the bank-transfer (Zengin) set.
CheckResult CheckJis(std::string_view text);
CheckResult CheckCp932(std::string_view text);
CheckResult CheckZengin(std::string_view text);
