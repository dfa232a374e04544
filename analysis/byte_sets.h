// What the fast kernels accept, as byte ranges: the compiled form of the character rules.
//
// A single-byte check accepts a byte when it lies in one of its byte ranges; a double-byte check
// accepts a character when its two bytes, read big-endian as lead << 8 | trail, lie in one of
// its pair ranges. The literal scans stay the definition; the tests hold these tables to them
// for every byte and every pair.
#pragma once

#include <cstdint>
#include <span>

#include "lead_bytes.h"

namespace kernels {

// The eight class checks of the window and the bank-transfer set, in the order of the
// operations.
enum class Check {
    FullWidth,
    HalfWidth,
    FullHiragana,
    FullKatakana,
    FullAlnum,
    HalfKatakana,
    HalfDigits,
    HalfAlnum,
    Zengin,
};
inline constexpr int kCheckCount = 9;

constexpr bool IsDoubleByte(Check check) {
    return check == Check::FullWidth || check == Check::FullHiragana ||
           check == Check::FullKatakana || check == Check::FullAlnum;
}

struct ByteRange {
    std::uint8_t first, last;
};
struct PairRange {
    std::uint16_t first, last;
};

// Whether a byte, or a pair read lead << 8 | trail, lies in one of the ranges.
constexpr bool InByteRanges(std::span<const ByteRange> ranges, std::uint8_t byte) {
    for (const ByteRange& r : ranges) {
        if (r.first <= byte && byte <= r.last) return true;
    }
    return false;
}
constexpr bool InPairRanges(std::span<const PairRange> ranges, unsigned pair) {
    for (const PairRange& r : ranges) {
        if (r.first <= pair && pair <= r.last) return true;
    }
    return false;
}

// The ranges one check accepts with one setting of the symbol flag: single bytes for the
// half-width checks, pairs for the full-width ones. A check accepts its common and its rare
// ranges together; `common` holds what most text stays within, so that a block of it is
// confirmed without trying the rare ranges.
struct Acceptance {
    std::span<const ByteRange> bytes, rareBytes;
    std::span<const PairRange> common, rare;
};

namespace sets {

// Every double-byte character: a lead byte 0x80-0x9F or 0xE0-0xFF, any trail byte.
inline constexpr PairRange kLeadPairs[] = {{0x8000, 0x9FFF}, {0xE000, 0xFFFF}};

// The full-width symbols under lead byte 0x81 beyond the first block 0x81 0x40-0xAC
// (　 、 。 … ー … 〓), which the common lists hold.
inline constexpr PairRange kRareSymbols[] = {
    {0x81B8, 0x81BF},  // ∈ … ∩
    {0x81C8, 0x81CE},  // ∧ … ∃
    {0x81DA, 0x81E8},  // ∠ … ∬
    {0x81F0, 0x81F7},  // Å ‰ ♯ ♭ ♪ † ‡ ¶
    {0x81FC, 0x81FC},  // ◯
};

inline constexpr PairRange kHiragana[] = {{0x829F, 0x82F1}, {0x815B, 0x815B}};  // ぁ … ん, ー
inline constexpr PairRange kHiraganaOrSymbol[] = {{0x829F, 0x82F1}, {0x8140, 0x81AC}};
inline constexpr PairRange kKatakana[] = {{0x8340, 0x8396}, {0x815B, 0x815B}};  // ァ … ヶ, ー
inline constexpr PairRange kKatakanaOrSymbol[] = {{0x8340, 0x8396}, {0x8140, 0x81AC}};
// ０ … ９, Ａ … Ｚ, ａ … ｚ
inline constexpr PairRange kAlnum[] = {{0x824F, 0x8258}, {0x8260, 0x8279}, {0x8281, 0x829A}};
inline constexpr PairRange kAlnumOrSymbol[] = {
    {0x824F, 0x8258}, {0x8260, 0x8279}, {0x8281, 0x829A}, {0x8140, 0x81AC}};

// Single bytes: everything but the lead bytes.
inline constexpr ByteRange kSingleBytes[] = {{0x00, 0x7F}, {0xA0, 0xDF}};

// kLeadPairs and kSingleBytes are the window's lead-byte rule written as ranges, and must stay it.
constexpr bool RangesAreTheLeadBytes() {
    for (unsigned b = 0; b < 0x100; ++b) {
        const bool lead = IsWindowLeadByte(b);
        if (InByteRanges(kSingleBytes, b) == lead || InPairRanges(kLeadPairs, b << 8) != lead ||
            InPairRanges(kLeadPairs, b << 8 | 0xFF) != lead) {
            return false;
        }
    }
    return true;
}
static_assert(RangesAreTheLeadBytes());

// Each half-width check's own range; with symbols allowed, merged with the half-width symbols
// (control bytes, ASCII punctuation, ｡ ｢ ｣ ､ ･ ｰ ﾞ ﾟ) and split into the common ranges and the
// rest.
inline constexpr ByteRange kKatakanaBytes[] = {{0xA6, 0xDF}};  // ｦ … ﾟ
inline constexpr ByteRange kKatakanaBytesOrSpace[] = {{0xA0, 0xDF}, {0x00, 0x2F}};
inline constexpr ByteRange kKatakanaRareSymbols[] = {{0x3A, 0x40}, {0x5B, 0x60}, {0x7B, 0x7F}};
inline constexpr ByteRange kDigitBytes[] = {{0x30, 0x39}};  // 0 … 9
inline constexpr ByteRange kDigitBytesOrPunctuation[] = {{0x00, 0x40}};
inline constexpr ByteRange kDigitRareSymbols[] = {
    {0x5B, 0x60}, {0x7B, 0x7F}, {0xA0, 0xA5}, {0xB0, 0xB0}, {0xDE, 0xDF}};
inline constexpr ByteRange kAlnumBytes[] = {{0x30, 0x39}, {0x41, 0x5A}, {0x61, 0x7A}};
inline constexpr ByteRange kAscii[] = {{0x00, 0x7F}};
inline constexpr ByteRange kAlnumRareSymbols[] = {{0xA0, 0xA5}, {0xB0, 0xB0}, {0xDE, 0xDF}};
// The bank-transfer set: the space ( ) - . / 0 … 9, A … Z, ｦ, ｱ … ﾝ ﾞ ﾟ. Names hold its
// symbols often enough that all of it is common.
inline constexpr ByteRange kZenginBytes[] = {{0x20, 0x20}, {0x28, 0x29}, {0x2D, 0x39},
                                             {0x41, 0x5A}, {0xA6, 0xA6}, {0xB1, 0xDF}};

}  // namespace sets

// The pairs the kernel of the jis and cp932 checks confirms by itself, where the trail byte is
// one (0x40-0x7E, 0x80-0xFC): what Japanese text is mostly made of. Both checks accept all of
// them and every single byte but the lead bytes and 0xA0; anything else, the NEC and IBM
// extensions included, is left to the table of defined codes. So are ぁ 亜 弌, the trail 0x9F
// under 0x82, 0x88 and 0x98: it would cost the AVX2 kernel's tables (jis_classes.h) a class bit.
inline constexpr PairRange kJisCommonPairs[] = {
    {0x8140, 0x8196},  // 　 、 。 … ー … ＆ ＊: the first symbols of row 1
    {0x82A0, 0x82F1},  // あ … ん
    {0x8340, 0x8396},  // ァ … ヶ
    {0x88A0, 0x986F},  // level 1 kanji 唖 … 椀, all but the last three (湾 … 腕)
    {0x98A0, 0xEA9F},  // level 2 kanji 丐 … 堯, all but the last five
};

// What each check accepts, in Check order: without symbols, then with them.
inline constexpr Acceptance kAcceptance[kCheckCount][2] = {
    // FullWidth, HalfWidth: the symbol flag plays no part.
    {{{}, {}, sets::kLeadPairs, {}}, {{}, {}, sets::kLeadPairs, {}}},
    {{sets::kSingleBytes, {}, {}, {}}, {sets::kSingleBytes, {}, {}, {}}},
    // FullHiragana, FullKatakana, FullAlnum
    {{{}, {}, sets::kHiragana, {}}, {{}, {}, sets::kHiraganaOrSymbol, sets::kRareSymbols}},
    {{{}, {}, sets::kKatakana, {}}, {{}, {}, sets::kKatakanaOrSymbol, sets::kRareSymbols}},
    {{{}, {}, sets::kAlnum, {}}, {{}, {}, sets::kAlnumOrSymbol, sets::kRareSymbols}},
    // HalfKatakana, HalfDigits, HalfAlnum
    {{sets::kKatakanaBytes, {}, {}, {}},
     {sets::kKatakanaBytesOrSpace, sets::kKatakanaRareSymbols, {}, {}}},
    {{sets::kDigitBytes, {}, {}, {}},
     {sets::kDigitBytesOrPunctuation, sets::kDigitRareSymbols, {}, {}}},
    {{sets::kAlnumBytes, {}, {}, {}}, {sets::kAscii, sets::kAlnumRareSymbols, {}, {}}},
    // Zengin: the symbol flag plays no part.
    {{sets::kZenginBytes, {}, {}, {}}, {sets::kZenginBytes, {}, {}, {}}},
};

constexpr Acceptance AcceptanceOf(Check check, bool symbols) {
    return kAcceptance[static_cast<int>(check)][symbols ? 1 : 0];
}

}  // namespace kernels
